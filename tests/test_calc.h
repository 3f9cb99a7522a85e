// A start form and a calculation form as the program creates them, with the
// error box replaced by a list of the messages it would have shown.
#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QStringList>
#include <QtTest/QTest>

#include <memory>

#include "app/presets.h"
#include "app/forms.h"
#include "app/sprache.h"
#include "sim/state.h"
#include "ui/guard.h"
#include "ui/haupt.h"

class CalcForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        torv::resetState();
        torv::setErrorSink([this](const QString&, const QString& text) { errors << text; });
        form1 = std::make_unique<TForm1>();
        form2 = std::make_unique<TForm2>();
        connectForms(*form1, *form2);
        form1->show();
        // As in the program: the start form is the active window when its
        // START brings up the calculation form.
        ASSERT_TRUE(QTest::qWaitForWindowActive(form1.get()));
    }

    void TearDown() override
    {
        torv::setErrorSink(nullptr);
        form2.reset();
        form1.reset();
    }

    // Loads a preset the way a click on the start form's list does, in
    // language `sprache`, and brings up the calculation form.
    void openWith(torv::PresetList list, int index, int sprache = 2)
    {
        torv::loadPreset(list, index);
        ASSERT_NE(torv::st.Szenario.Klasse, 0.0) << "preset not loaded";
        torv::st.Sprache = sprache;
        form2->showFromStart();
    }

    bool shown(const QWidget* w) const { return !w->isHidden(); }

    // Stacking position among the form's children: higher lies above.
    int stackIndex(const QWidget* w) const { return form2->children().indexOf(const_cast<QWidget*>(w)); }

    // Selects the whole text of `field` and types `text` over it, one key
    // at a time.
    static void typeOver(QLineEdit* field, const QString& text)
    {
        field->selectAll();
        QTest::keyClicks(field, text);
    }

    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm2> form2;
    QStringList errors;
};
