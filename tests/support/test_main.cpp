#include <QApplication>
#include <gtest/gtest.h>

// Every test runs inside a real application object so that fonts, widgets and
// the clipboard behave as in the program (the offscreen platform in CI).
int main(int argc, char** argv)
{
    Q_INIT_RESOURCE(testdata);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
