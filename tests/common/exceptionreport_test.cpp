#include "common/gui/exceptionreport.h"
#include "exceptioncatcher.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <stdexcept>

TEST(HandleException, TheRealBoxIsCriticalAndCarriesTheText)
{
    const ExceptionPresenter previous = setExceptionPresenter(nullptr);
    QString shownText;
    QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
    QTimer::singleShot(50, [&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
                shownText = box->text();
                shownIcon = box->icon();
                box->accept();
            }
    });
    handleException("FATAL ERROR: Already slicing.");
    setExceptionPresenter(previous);
    EXPECT_EQ(shownText, "EXCEPTION : FATAL ERROR: Already slicing.");
    EXPECT_EQ(shownIcon, QMessageBox::Critical);
}

TEST(QMyApp, EveryKindOfThrowFromASlotReachesTheBoxAndTheAppGoesOn)
{
    ExceptionCatcher catcher;
    QPushButton button("throw");
    int kind = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        switch (kind) {
        case 0:
            throw "Faces::importFile() File not found: ";
        case 1:
            throw QString("Unsupported type of file: \"%1\"").arg("/x.abc");
        case 2:
            throw std::runtime_error("bad_alloc-like");
        default:
            throw 42;
        }
    });
    button.show();
    for (kind = 0; kind < 4; ++kind)
        QTest::mouseClick(&button, Qt::LeftButton);
    ASSERT_EQ(catcher.texts.size(), 4);
    EXPECT_EQ(catcher.texts[0], "EXCEPTION : Faces::importFile() File not found: ");
    EXPECT_EQ(catcher.texts[1], "EXCEPTION : Unsupported type of file: \"/x.abc\"");
    EXPECT_EQ(catcher.texts[2], "EXCEPTION : bad_alloc-like");
    EXPECT_EQ(catcher.texts[3], "EXCEPTION : unknown exception type");

    // The button still works after all that.
    int clicks = 0;
    QObject::connect(&button, &QPushButton::pressed, [&] { ++clicks; });
    kind = 0;
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}
