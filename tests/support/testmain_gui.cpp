#include "testenvironment.h"

#include "common/gui/exceptionreport.h"
#include "common/gui/qmyapp.h"

#include <gtest/gtest.h>

// GUI tests run on the programs' own application object, so an exception thrown from a slot takes the
// real path to the exception report. An exception box that a test did not ask for fails that test
// instead of waiting for a click that never comes.
int main(int argc, char **argv)
{
    isolateTestEnvironment();
    testing::InitGoogleTest(&argc, argv);
    QMyApp app(argc, argv);
    setExceptionPresenter([](const QString &text) { ADD_FAILURE() << "unexpected " << text.toStdString(); });
    return RUN_ALL_TESTS();
}
