// A start form and a calculation form as the program creates them and joins
// them, with the error box replaced by a list of the messages it would have
// shown (and the information boxes likewise). The start form is shown and active, as at the program's start.
#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <QtTest/QTest>

#include <memory>

#include "app/forms.h"
#include "app/sprache.h"
#include "model/state.h"
#include "ui/guard.h"
#include "ui/haupt.h"

class Forms : public ::testing::Test {
protected:
    void SetUp() override
    {
        torv::resetState();
        torv::setErrorSink([this](const QString&, const QString& text) { errors << text; });
        torv::setInfoSink([this](const QString&, const QString& text) { infos << text; });
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
        torv::setInfoSink(nullptr);
        form2.reset();
        form1.reset();
    }

    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm2> form2;
    QStringList errors;
    QStringList infos;
};
