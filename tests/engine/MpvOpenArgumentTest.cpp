#include "engine/MpvOpenArgument.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

TEST(MpvOpenArgument, EveryPathBecomesAnAbsoluteLocalFile) {
    const QString cwd = QDir::currentPath();
    struct Case {
        QString path;
        QString expected;
    };
    const Case cases[] = {
        {"/music/a.wav", "/music/a.wav"},
        {"/music/av://x.wav", "/music/av://x.wav"},
        {"http://example.org/a.mp3", cwd + "/http://example.org/a.mp3"},
        {"av://lavfi:sine", cwd + "/av://lavfi:sine"},
        {"-z.wav", cwd + "/-z.wav"},
        {"-", cwd + "/-"},
        {"--ao=pulse", cwd + "/--ao=pulse"},
        {":colon.wav", cwd + "/:colon.wav"},
        {"sub/b.wav", cwd + "/sub/b.wav"},
        {QString::fromUtf8("caff\xc3\xa8.wav"), cwd + QString::fromUtf8("/caff\xc3\xa8.wav")},
    };
    for (const Case& c : cases) {
        const QByteArray arg = MpvOpenArgument(c.path);
        EXPECT_TRUE(arg.startsWith('/')) << c.path.toStdString();
        EXPECT_EQ(arg, QFile::encodeName(c.expected)) << c.path.toStdString();
    }
}

TEST(MpvOpenArgument, MidiFilesGoThroughTheSynthesiserAndNothingElse) {
    const QByteArray cwd = QFile::encodeName(QDir::currentPath());
    struct Case {
        QString path;
        QByteArray expected;
    };
    const Case cases[] = {
        {"/music/a.mid", "varnelmidi:///music/a.mid"},
        {"/music/B.MIDI", "varnelmidi:///music/B.MIDI"},
        {"/music/c.Rmi", "varnelmidi:///music/c.Rmi"},
        {"rel/d.mid", "varnelmidi://" + cwd + "/rel/d.mid"},
        {"/music/e.mid.wav", "/music/e.mid.wav"},
        {"/music/mid", "/music/mid"},
        {"/music/f.midx", "/music/f.midx"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MpvOpenArgument(c.path), c.expected) << c.path.toStdString();
}

} // namespace
