// The calculation form's fixture: the two forms, and how a test opens a
// preset and types into a field.
#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QtTest/QTest>

#include "scenarios/presets.h"
#include "support/forms.h"

class CalcForm : public Forms {
protected:
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
};
