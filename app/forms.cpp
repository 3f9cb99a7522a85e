#include "app/forms.h"

#include "app/sprache.h"
#include "ui/haupt.h"
#include "ui/scenariofiles.h"

void connectForms(TForm1& start, TForm2& calc)
{
    QObject::connect(&start, &TForm1::calculationWanted, &calc, &TForm2::showFromStart);
    QObject::connect(&calc, &TForm2::backToStart, &start, &TForm1::showLanguageAgain);
    QObject::connect(&calc, &TForm2::quitWanted, &start, &QWidget::close);
    QObject::connect(&start, &TForm1::helpWanted, &calc, &TForm2::helpClick);
    // A scenario file opened on either form is a preset choice and START.
    torv::ScenarioFiles& files = torv::ScenarioFiles::instance();
    QObject::connect(&files, &torv::ScenarioFiles::opened, &start, &TForm1::leavePresetChoice);
    QObject::connect(&files, &torv::ScenarioFiles::opened, &calc, &TForm2::showOpenedScenario);
}
