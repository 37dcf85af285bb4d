#include <QApplication>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

int main(int argc, char** argv) {
    // Test discovery runs this binary at build time, where no display may exist.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // libmpv refuses to start under any numeric locale but "C"; Qt sets it from the environment.
    std::setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
