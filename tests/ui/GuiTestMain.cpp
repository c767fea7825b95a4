// Test main for the widget tests: an offscreen QApplication exists while the tests run.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    // Widget tests never need a display; a caller may still choose another platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
