// The desktop's view of the player: MPRIS calls made over a real, private session bus.
#include "shell/MprisService.h"
#include "DaisyBookWriter.h"

#include "WavWriter.h"
#include "WindowFixture.h"
#include "shell/MprisPlayerAdaptor.h"
#include "util/FileNameCodec.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

#include <limits>
#include <ostream>
#include <string>

namespace {
const QString RootInterface = QStringLiteral("org.mpris.MediaPlayer2");
const QString PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// A bus of the test's own: the desktop's bus, if any, must never see a test player.
class PrivateBus : public ::testing::Environment {
public:
    void SetUp() override {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            return;
        FDaemon.start(daemon, {QStringLiteral("--session"), QStringLiteral("--print-address"),
                               QStringLiteral("--nofork")});
        if (!FDaemon.waitForStarted(5000) || !FDaemon.waitForReadyRead(5000))
            return;
        address = QString::fromLocal8Bit(FDaemon.readLine()).trimmed();
        // Before the first use of the session bus, which reads it once.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toLocal8Bit());
    }
    void TearDown() override {
        if (FDaemon.state() == QProcess::NotRunning)
            return;
        FDaemon.kill();
        FDaemon.waitForFinished(5000);
    }
    static inline QString address;

private:
    QProcess FDaemon;
};
[[maybe_unused]] ::testing::Environment* const Bus = ::testing::AddGlobalTestEnvironment(new PrivateBus);

/// Collects the signals the bus delivers to the client.
class Listener : public QObject {
    Q_OBJECT
public slots:
    void Received(const QDBusMessage& message) { messages.append(message); }

public:
    QList<QDBusMessage> messages;
};

class Mpris : public WindowFixture {
protected:
    void SetUp() override {
        if (PrivateBus::address.isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed";
        client = QDBusConnection::connectToBus(PrivateBus::address, QStringLiteral("mpris-test-client"));
        ASSERT_TRUE(client.isConnected());
    }
    void TearDown() override {
        window.reset();
        client = QDBusConnection(QString());
        QDBusConnection::disconnectFromBus(QStringLiteral("mpris-test-client"));
    }

    /// Starts the window on files a.mp3, b.mp3, ... and publishes it.
    void Publish(int files = 3) {
        for (int i = 0; i < files; ++i)
            paths.append(Touch(QStringLiteral("m/%1.mp3").arg(QChar('a' + i))));
        Start({Root() + "m"});
        ASSERT_TRUE(MprisService::Start(*window));
    }

    /// Calls the service and expects a plain reply.
    QDBusMessage Call(const QString& interface, const QString& method, const QVariantList& arguments = {}) {
        const QDBusMessage reply = Send(interface, method, arguments);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
            << method.toStdString() << ": " << reply.errorMessage().toStdString();
        return reply;
    }
    /// Calls the service without blocking this thread, which is also the one that must answer.
    QDBusMessage Send(const QString& interface, const QString& method, const QVariantList& arguments = {}) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(QString::fromLatin1(MprisService::kServiceName),
                                           QString::fromLatin1(MprisService::kObjectPath), interface, method);
        message.setArguments(arguments);
        QDBusPendingCall pending = client.asyncCall(message);
        // The deadline only bounds a hang: a reply is due in any case.
        EXPECT_TRUE(QTest::qWaitFor([&] { return pending.isFinished(); }, 5000)) << method.toStdString();
        const QDBusMessage reply = pending.reply();
        DrainEvents(); // signals sent before the reply
        return reply;
    }
    QDBusMessage Command(const QString& method, const QVariantList& arguments = {}) {
        return Call(PlayerInterface, method, arguments);
    }
    QVariant Get(const QString& name, const QString& interface = PlayerInterface) {
        const QDBusMessage reply = Call(PropertiesInterface, QStringLiteral("Get"), {interface, name});
        if (reply.arguments().isEmpty())
            return {};
        return reply.arguments().first().value<QDBusVariant>().variant();
    }
    void Set(const QString& name, const QVariant& value) {
        Call(PropertiesInterface, QStringLiteral("Set"),
             {PlayerInterface, name, QVariant::fromValue(QDBusVariant(value))});
    }
    QVariantMap Metadata() {
        return qdbus_cast<QVariantMap>(Get(QStringLiteral("Metadata")).value<QDBusArgument>());
    }
    static QString TrackId(const QVariantMap& metadata) {
        return metadata.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path();
    }
    void Listen(const QString& interface, const QString& name) {
        ASSERT_TRUE(client.connect(QString(), QString::fromLatin1(MprisService::kObjectPath), interface, name,
                                   &listener, SLOT(Received(QDBusMessage))));
    }

    QDBusConnection client{QString()};
    Listener listener;
    QStringList paths;
};
} // namespace

TEST_F(Mpris, TransportMethodsRunTheKeyCommands) {
    Publish();
    Command("PlayPause");
    EXPECT_EQ(control->state, psPaused);
    Command("Pause"); // already paused: not a toggle
    EXPECT_EQ(control->state, psPaused);
    Command("Play");
    EXPECT_EQ(control->state, psPlaying);
    Command("Play"); // already playing: the track is not restarted
    EXPECT_EQ(control->opened.size(), 1);

    Command("Next");
    Command("Next");
    Command("Next"); // at the last entry: nothing, the track plays on
    EXPECT_EQ(window->Core().Current(), 2);
    EXPECT_EQ(control->opened.size(), 3);
    EXPECT_EQ(control->state, psPlaying);
    Command("Previous");
    EXPECT_EQ(window->Core().Current(), 1);
    EXPECT_EQ(control->opened.last(), paths[1]);

    settings->MediaConfigs().SetResumeTime(paths[1], 42);
    Command("Stop");
    EXPECT_EQ(control->closes, 1);
    EXPECT_EQ(Remembered(paths[1]), 0.0);
    EXPECT_EQ(Get("PlaybackStatus").toString(), "Stopped");
    Command("Pause");
    EXPECT_EQ(control->state, psStopped);
    Command("PlayPause"); // stopped: plays the selected entry, as the media key does
    EXPECT_EQ(control->opened.size(), 5);
    EXPECT_EQ(control->opened.last(), paths[1]);
    EXPECT_EQ(Get("PlaybackStatus").toString(), "Playing");
}

TEST_F(Mpris, StatusAndMetadataFollowTheList) {
    Publish();
    control->durations.insert(paths[0], 61.5);
    QVariantMap metadata = Metadata();
    EXPECT_EQ(TrackId(metadata), "/org/varnel/track/0");
    EXPECT_EQ(metadata.value("xesam:title").toString(), "a");
    EXPECT_FALSE(metadata.contains("xesam:artist")); // none rather than an empty one
    EXPECT_FALSE(metadata.contains("xesam:album"));
    control->tags.insert(paths[0], {"La tempesta", "Autrice", "Il libro"});
    metadata = Metadata();
    EXPECT_EQ(metadata.value("xesam:title").toString(), "La tempesta");
    EXPECT_EQ(qdbus_cast<QStringList>(metadata.value("xesam:artist")), QStringList{"Autrice"});
    EXPECT_EQ(metadata.value("xesam:album").toString(), "Il libro");
    EXPECT_EQ(metadata.value("mpris:length").toLongLong(), 61'500'000);
    EXPECT_EQ(QUrl(metadata.value("xesam:url").toString()).toLocalFile(), paths[0]);
    EXPECT_FALSE(Get("CanGoPrevious").toBool());
    EXPECT_TRUE(Get("CanGoNext").toBool());
    EXPECT_TRUE(Get("CanSeek").toBool());

    Command("Next");
    Command("Next");
    EXPECT_EQ(TrackId(Metadata()), "/org/varnel/track/2");
    EXPECT_TRUE(Get("CanGoPrevious").toBool());
    EXPECT_FALSE(Get("CanGoNext").toBool());

    Command("PlayPause");
    EXPECT_EQ(Get("PlaybackStatus").toString(), "Paused");
    control->position = 12.25;
    EXPECT_EQ(Get("Position").toLongLong(), 12'250'000);

    Command("Stop");
    EXPECT_EQ(TrackId(Metadata()), "/org/mpris/MediaPlayer2/TrackList/NoTrack");
    EXPECT_EQ(Get("Position").toLongLong(), 0);
    EXPECT_FALSE(Get("CanSeek").toBool());
    EXPECT_TRUE(Get("CanControl").toBool());
}

TEST_F(Mpris, SeekComposesWithThePositionAndIsSignalled) {
    Publish(1);
    Listen(PlayerInterface, "Seeked");
    control->position = 20;
    Command("Seek", {qlonglong(5'000'000)});
    EXPECT_DOUBLE_EQ(control->position, 25);
    Command("Seek", {qlonglong(-7'500'000)});
    EXPECT_DOUBLE_EQ(control->position, 17.5);
    Command("Seek", {qlonglong(-30'000'000)}); // like Ctrl+Left: no range check
    EXPECT_DOUBLE_EQ(control->position, -12.5);
    ASSERT_EQ(listener.messages.size(), 3);
    EXPECT_EQ(listener.messages[1].arguments().first().toLongLong(), 17'500'000);

    Command("Stop");
    const int puts = control->positionPuts.size();
    Command("Seek", {qlonglong(5'000'000)});
    EXPECT_EQ(control->positionPuts.size(), puts);
    EXPECT_EQ(listener.messages.size(), 3);
}

TEST_F(Mpris, SetPositionOnlyOnTheOpenTrackAndWithinIt) {
    Publish(2);
    Listen(PlayerInterface, "Seeked");
    const int puts = control->positionPuts.size();
    const auto id = [](int index) { return QVariant::fromValue(MprisPlayerAdaptor::TrackId(index)); };
    Command("SetPosition", {id(1), qlonglong(42'000'000)}); // a track the user has left or not reached
    Command("SetPosition", {id(0), qlonglong(-1)});
    Command("SetPosition", {id(0), qlonglong(250'000'000)}); // past the 200 s of the fake's track
    EXPECT_EQ(control->positionPuts.size(), puts);
    EXPECT_TRUE(listener.messages.isEmpty());

    Command("SetPosition", {id(0), qlonglong(42'000'000)});
    EXPECT_DOUBLE_EQ(control->position, 42);
    EXPECT_EQ(TempoText(), "42 sec");
    ASSERT_EQ(listener.messages.size(), 1);
    EXPECT_EQ(listener.messages[0].arguments().first().toLongLong(), 42'000'000);
}

TEST_F(Mpris, RateAndVolumeMapOntoThePlayer) {
    Publish(1);
    EXPECT_DOUBLE_EQ(Get("MinimumRate").toDouble(), 0.5);
    EXPECT_DOUBLE_EQ(Get("MaximumRate").toDouble(), 5.0);
    struct Case {
        double asked, expected;
    } rates[] = {{1.4, 1.4}, {0.25, 0.5}, {9, 5}, {-1, 5}, {std::nan(""), 5}};
    for (const Case& c : rates) {
        Set("Rate", c.asked);
        EXPECT_DOUBLE_EQ(control->rate, c.expected) << c.asked;
    }
    EXPECT_DOUBLE_EQ(Get("Rate").toDouble(), 5);
    Set("Rate", 0.0); // MPRIS: a rate of 0 pauses
    EXPECT_EQ(control->state, psPaused);
    EXPECT_DOUBLE_EQ(control->rate, 5);
    control->failing.insert("Rate");
    EXPECT_DOUBLE_EQ(Get("Rate").toDouble(), 1.0);

    Case volumes[] = {{0.3, 30}, {0.004, 0}, {1.7, 100}, {-0.2, 0}};
    for (const Case& c : volumes) {
        Set("Volume", c.asked);
        EXPECT_EQ(control->volume, c.expected) << c.asked;
    }
    control->volume = 45;
    EXPECT_DOUBLE_EQ(Get("Volume").toDouble(), 0.45);
}

TEST_F(Mpris, ChangesAreSignalledOnceAndNeverThePosition) {
    Publish();
    Listen(PropertiesInterface, "PropertiesChanged");
    control->position = 30;
    window->RefreshDisplay(); // only the position moved
    Get("PlaybackStatus");    // a round trip: any signal sent before it has arrived
    EXPECT_TRUE(listener.messages.isEmpty());

    Command("Next");
    DrainEvents();         // the next file reports that it plays from the event loop
    Get("PlaybackStatus"); // and what that signalled has arrived
    ASSERT_FALSE(listener.messages.isEmpty());
    QVariantMap changed;
    for (const QDBusMessage& m : listener.messages) {
        EXPECT_EQ(m.arguments().at(0).toString(), PlayerInterface);
        const QVariantMap part = qdbus_cast<QVariantMap>(m.arguments().at(1).value<QDBusArgument>());
        changed.insert(part);
    }
    EXPECT_FALSE(changed.contains("Position"));
    EXPECT_FALSE(changed.contains("Volume"));
    EXPECT_TRUE(changed.value("CanGoPrevious").toBool());
    EXPECT_EQ(TrackId(qdbus_cast<QVariantMap>(changed.value("Metadata").value<QDBusArgument>())),
              "/org/varnel/track/1");

    listener.messages.clear();
    window->RefreshDisplay();
    Get("PlaybackStatus");
    EXPECT_TRUE(listener.messages.isEmpty());
}

TEST_F(Mpris, OpenUriAddsALocalFileOrFolderAndPlaysIt) {
    Publish(2);
    control->position = 30;
    const QString other = Root() + "n/libro.m4b"; // named directly: a name of any kind plays
    QDir().mkpath(Root() + "n");
    ASSERT_TRUE(WriteToneWav(other, 0.5));
    Command("OpenUri", {MprisPlayerAdaptor::FileUrl(other)});
    EXPECT_EQ(window->Core().Files().ToStringList(), QStringList({paths[0], paths[1], other}));
    EXPECT_EQ(window->Core().Current(), 2);
    EXPECT_EQ(control->opened.last(), other);
    EXPECT_EQ(Remembered(paths[0]), 30.0); // interrupted, not left for good
    EXPECT_EQ(ListRows().size(), 3);

    const QString found = Touch("f/x.mp3");
    Touch("f/x.txt");
    const QString notes = Touch("e/notes.txt");
    QFile text(notes);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("root:x:0:0:root:/root:/bin/bash\n");
    text.close();
    Command("OpenUri", {MprisPlayerAdaptor::FileUrl(Root() + "f")});
    EXPECT_EQ(window->Core().Files().mid(3).ToStringList(), QStringList({found}));
    EXPECT_EQ(control->opened.last(), found);

    const struct {
        QString uri;
        const char* error;
    } refused[] = {
        {QStringLiteral("http://example.org/a.mp3"), "org.freedesktop.DBus.Error.NotSupported"},
        {QStringLiteral("file://elsewhere/m/a.mp3"), "org.freedesktop.DBus.Error.NotSupported"},
        {MprisPlayerAdaptor::FileUrl(Root() + "missing.mp3"), "org.freedesktop.DBus.Error.FileNotFound"},
        {MprisPlayerAdaptor::FileUrl(Root() + "e"),
         "org.freedesktop.DBus.Error.FileNotFound"}, // no media in it
        // A file that is no media: what plays goes on.
        {MprisPlayerAdaptor::FileUrl(notes), "org.freedesktop.DBus.Error.NotSupported"},
    };
    for (const auto& r : refused) {
        const QDBusMessage reply = Send(PlayerInterface, "OpenUri", {r.uri});
        EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage) << r.uri.toStdString();
        EXPECT_EQ(reply.errorName(), r.error) << r.uri.toStdString();
    }
    EXPECT_EQ(window->Core().Files().size(), 4);
    EXPECT_EQ(control->opened.last(), found);
    EXPECT_EQ(window->Core().Current(), 3);
    EXPECT_EQ(control->state, psPlaying);
    EXPECT_EQ(Get("SupportedUriSchemes", RootInterface).toStringList(), QStringList{"file"});
}

TEST_F(Mpris, ATalkingBookOpensAsOneTrackWithItsTitleCreatorAndBookTime) {
    Publish(1);
    QDir().mkpath(Root() + "books/uno");
    ASSERT_TRUE(WriteDaisyBook(Root() + "books/uno", SampleBookPlan(TBookFormat::Daisy3)));
    Command("OpenUri", {MprisPlayerAdaptor::FileUrl(Root() + "books")});
    const QString book = Root() + "books/uno/book.opf";
    EXPECT_EQ(window->Core().Files().ToStringList(), QStringList({paths[0], book}));
    const QVariantMap metadata = Metadata();
    EXPECT_EQ(metadata.value("xesam:title").toString(), "Il libro di prova");
    EXPECT_EQ(qdbus_cast<QStringList>(metadata.value("xesam:artist")), QStringList{"Ana Pérez"});
    EXPECT_EQ(metadata.value("mpris:length").toLongLong(), 13'000'000);
    // A place in book time, which Ctrl+Z can undo as any jump.
    Command("SetPosition", {QVariant::fromValue(QDBusObjectPath(TrackId(metadata))), qlonglong(8'000'000)});
    EXPECT_DOUBLE_EQ(control->position, 8.0);
    EXPECT_EQ(Get("Position").toLongLong(), 8'000'000);
    // Its root file named directly is a book too.
    const QDBusMessage reply = Send(PlayerInterface, "OpenUri", {MprisPlayerAdaptor::FileUrl(book)});
    EXPECT_NE(reply.type(), QDBusMessage::ErrorMessage);
}

TEST_F(Mpris, RootInterfaceMatchesTheDesktopEntryAndQuitClosesTheWindow) {
    Publish(1);
    // The desktop finds the entry by this name, and the entry and the service offer the same types.
    QFile entry(QStringLiteral(VARNEL_DESKTOP_ENTRY));
    EXPECT_EQ(Get("DesktopEntry", RootInterface).toString() + ".desktop", QFileInfo(entry).fileName());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList listed;
    while (!entry.atEnd()) {
        const QString line = QString::fromUtf8(entry.readLine()).trimmed();
        if (line.startsWith("MimeType="))
            listed = line.mid(9).split(';', Qt::SkipEmptyParts);
    }
    EXPECT_FALSE(listed.isEmpty());
    EXPECT_EQ(Get("SupportedMimeTypes", RootInterface).toStringList(), listed);

    QApplication::setQuitOnLastWindowClosed(false);
    window->show();
    control->position = 77;
    Call(RootInterface, "Quit");
    DrainEvents();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(Remembered(paths[0]), 77.0);
}

TEST_F(Mpris, StartsQuietlyWithoutABusOrWithTheNameTaken) {
    Publish(1);
    delete window->findChild<MprisService*>();
    EXPECT_FALSE(MprisService::Start(*window, QDBusConnection(QStringLiteral("never-connected"))));
    EXPECT_EQ(window->findChild<MprisService*>(), nullptr);

    // Another player holds the common name: this one takes a name of its own.
    ASSERT_EQ(client.interface()->registerService(QString::fromLatin1(MprisService::kServiceName)).value(),
              QDBusConnectionInterface::ServiceRegistered);
    ASSERT_TRUE(MprisService::Start(*window));
    const auto* service = window->findChild<MprisService*>();
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(
        service->BusName(),
        QStringLiteral("org.mpris.MediaPlayer2.varnel.instance%1").arg(QCoreApplication::applicationPid()));
    EXPECT_TRUE(QDBusConnection::sessionBus().interface()->isServiceRegistered(service->BusName()).value());
    client.interface()->unregisterService(QString::fromLatin1(MprisService::kServiceName));
}

namespace {
// The adaptor's own answers, without a bus in between.
class MprisMetadata : public WindowFixture {
protected:
    MprisPlayerAdaptor& Adaptor() { return *new MprisPlayerAdaptor(window->Core(), window.get()); }
};

struct UrlCase {
    const char* name;
    QByteArray path; // the file's bytes, as the system names it; relative ones are below Root()
    QByteArray url;  // after "file://" and, for relative paths, the folder
};

void PrintTo(const UrlCase& c, std::ostream* os) {
    *os << c.name;
}

class MprisFileUrl : public MprisMetadata, public ::testing::WithParamInterface<UrlCase> {};
} // namespace

TEST_F(MprisMetadata, AnAbsurdLengthOrPositionIsClampedNotWrapped) {
    const QString song = Touch("a.mp3");
    Start({song});
    MprisPlayerAdaptor& adaptor = Adaptor();
    for (double seconds : {1e300, 9.3e12, 9223372036854.775807}) {
        control->durations.insert(song, seconds);
        EXPECT_EQ(adaptor.Metadata().value("mpris:length").toLongLong(),
                  std::numeric_limits<qlonglong>::max())
            << seconds;
        control->position = seconds;
        EXPECT_EQ(adaptor.Position(), std::numeric_limits<qlonglong>::max()) << seconds;
    }
    control->durations.insert(song, 9.2e12);
    EXPECT_EQ(adaptor.Metadata().value("mpris:length").toLongLong(), 9'200'000'000'000'000'000LL);
}

TEST_P(MprisFileUrl, NamesTheFileByItsOwnBytes) {
    const QString folder = QDir(Root()).canonicalPath();
    ASSERT_TRUE(QDir::setCurrent(folder));
    const QByteArray below = GetParam().path.startsWith('/')
                                 ? QByteArray()
                                 : QFile::encodeName(folder).toPercentEncoding("/") + '/';
    const QByteArray expected = "file://" + below + GetParam().url;
    EXPECT_EQ(MprisPlayerAdaptor::FileUrl(DecodeFileName(GetParam().path)), QString::fromLatin1(expected));
    // And back, as a desktop hands it to OpenUri.
    EXPECT_EQ(MprisPlayerAdaptor::LocalPath(QString::fromLatin1(expected)),
              DecodeFileName(QByteArray::fromPercentEncoding(expected.mid(7))));
}

INSTANTIATE_TEST_SUITE_P(
    Names, MprisFileUrl,
    ::testing::Values(UrlCase{"Plain", "/m/a.mp3", "/m/a.mp3"},
                      UrlCase{"Utf8", "/m/\xc3\xa9t\xc3\xa9.mp3", "/m/%C3%A9t%C3%A9.mp3"},
                      UrlCase{"NotUtf8", "/m/caf\xe9.mp3", "/m/caf%E9.mp3"},
                      UrlCase{"ReservedCharacters", "/m/a b#?%.mp3", "/m/a%20b%23%3F%25.mp3"},
                      UrlCase{"RelativeStartingWithColon", ":x/a.mp3", "%3Ax/a.mp3"},
                      UrlCase{"RelativeFromADotFolder", "./music/a.mp3", "music/a.mp3"}),
    [](const ::testing::TestParamInfo<UrlCase>& info) { return std::string(info.param.name); });

#include "MprisServiceTest.moc"
