#include "TestEnv.h"

#include <QApplication>
#include <gtest/gtest.h>

// Every test program runs with a QApplication on the offscreen platform, a
// private data folder, so no test touches a user's database, and a private
// temporary folder, so none leaves files behind.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    TestEnv::isolateDataFolder();
    TestEnv::isolateTempFolder();
    QApplication app(argc, argv);
    TestEnv::applyIdentity();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
