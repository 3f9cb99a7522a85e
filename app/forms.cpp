#include "app/forms.h"

#include "app/sprache.h"
#include "ui/guard.h"
#include "ui/haupt.h"
#include "ui/scenariofiles.h"

namespace {

// A slot that reports its error where it is called: a signal reaches it
// through Qt's frames, which an exception must not cross.
template <typename T> auto caughtSlot(T& receiver, void (T::*slot)())
{
    return [&receiver, slot] { torv::caught([&] { (receiver.*slot)(); }); };
}

} // namespace

void connectForms(TForm1& start, TForm2& calc)
{
    QObject::connect(&start, &TForm1::calculationWanted, &calc, caughtSlot(calc, &TForm2::showFromStart));
    QObject::connect(&calc, &TForm2::backToStart, &start, caughtSlot(start, &TForm1::showLanguageAgain));
    QObject::connect(&calc, &TForm2::quitWanted, &start, [&start] { torv::caught([&] { start.close(); }); });
    QObject::connect(&start, &TForm1::helpWanted, &calc, caughtSlot(calc, &TForm2::helpClick));
    // A scenario file opened on either form is a preset choice and START.
    torv::ScenarioFiles& files = torv::ScenarioFiles::instance();
    QObject::connect(&files, &torv::ScenarioFiles::opened, &start, caughtSlot(start, &TForm1::leavePresetChoice));
    QObject::connect(&files, &torv::ScenarioFiles::opened, &calc, caughtSlot(calc, &TForm2::showOpenedScenario));
}
