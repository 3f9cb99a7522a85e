#include "run/formport.h"

#include "fault/faults.h"
#include "files/numfmt.h"
#include "model/state.h"

namespace torv {

namespace {
FormPort defaultPort;
FormPort* installed = &defaultPort;
} // namespace

void FormPort::setEdS0(const std::string& text)
{
    auto v = parseNumber(text, decimalSeparator());
    if (!v)
        throw ConvertError(text);
    st.S0 = *v;
}

void FormPort::setEdBelastung(const std::string&)
{
}

void FormPort::drawGraph()
{
}

bool FormPort::runProgress(int, double, double)
{
    return true;
}

FormPort& formPort()
{
    return *installed;
}

void setFormPort(FormPort* port)
{
    installed = port ? port : &defaultPort;
}

} // namespace torv
