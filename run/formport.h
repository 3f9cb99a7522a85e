// The narrow way from the run driver to the calculation form: a field shows
// a text (and its change handler reads it back), and the graph area is
// redrawn. The form installs its own port; without one, the default plays a
// form with a full-stop separator and no graph area, so a whole run works
// headless.
#pragma once

#include <string>

namespace torv {

class FormPort {
public:
    virtual ~FormPort() = default;

    // Decimal separator of the fields.
    virtual char decimalSeparator() const { return '.'; }
    // EdS0 shows `text`; its change handler stores the number back into S0.
    virtual void setEdS0(const std::string& text);
    // EdBelastung shows `text` (a display box without handler).
    virtual void setEdBelastung(const std::string& text);
    // Draws the current graph selection of the state into the graph area.
    virtual void drawGraph();
    // Called every few thousand steps of a pass (`pass` 1 or 2) with the
    // simulated time so far and the end time; false cancels the run.
    virtual bool runProgress(int pass, double t, double tEnd);
};

// The installed port (the default one until a form installs its own).
FormPort& formPort();
// Installs `port`; nullptr puts the default back.
void setFormPort(FormPort* port);

} // namespace torv
