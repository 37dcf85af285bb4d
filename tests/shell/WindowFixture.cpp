#include "WindowFixture.h"

#include "TouchFile.h"
#include "util/TimeText.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStatusBar>
#include <QTreeView>

WindowFixture::WindowFixture() {
    platform.folder = Root();
    SetTimeSeparator(QLatin1Char('.'));
}

WindowFixture::~WindowFixture() {
    window.reset();
}

void WindowFixture::OpenSettings(const std::function<void(TSettingsModule&)>& configure) {
    settings = std::make_unique<TSettingsModule>(platform);
    settings->GeneralConfigs().DonateDone(); // no reminder box in the way
    if (configure)
        configure(*settings);
}

void WindowFixture::Start(const QStringList& arguments, std::unique_ptr<MediaControl> media) {
    if (!settings)
        OpenSettings();
    if (!media) {
        auto fake = std::make_unique<FakeMediaControl>();
        control = fake.get();
        media = std::move(fake);
    }
    window = std::make_unique<TVarnelPlayer>(*settings, std::move(media), nullptr, lengthReader);
    window->LoadCommandLine(arguments);
    DrainEvents(); // the first file opens from the event loop, as with the real control
}

void WindowFixture::StartThree(double remembered) {
    a = Touch("l/a.mp3");
    b = Touch("l/b.mp3");
    c = Touch("l/c.mp3");
    OpenSettings([&](TSettingsModule& s) {
        for (const QString& p : {a, b, c})
            s.MediaConfigs().SetResumeTime(p, remembered);
        s.MediaConfigs().SaveToDisk();
    });
    Start({Root() + "l"});
}

QString WindowFixture::Touch(const QString& relative) {
    TouchFile(QFile::encodeName(FDir.path()), relative.toUtf8());
    return Root() + relative;
}

void WindowFixture::Press(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    // Sent, not posted, so the key reaches the control's filter the way the toolkit delivers it.
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(target, &release);
    DrainEvents(); // a file a key opened has reported its state
}

void WindowFixture::AnswerJump(const QString& value, bool accept,
                               const std::function<void(QDialog*, QLineEdit*)>& look) {
    ModalAnswer([=](QWidget* modal) {
        auto* dialog = static_cast<QDialog*>(modal);
        auto* edit = dialog->findChild<QLineEdit*>("JumpEdit");
        DrainEvents(); // the offered time is selected once the field has the focus
        if (look)
            look(dialog, edit);
        edit->setText(value);
        accept ? dialog->accept() : dialog->reject();
    });
}

QLineEdit* WindowFixture::Tempo() const {
    return window->findChild<QLineEdit*>(QStringLiteral("Tempo"));
}
QTreeView* WindowFixture::Lista() const {
    return window->findChild<QTreeView*>(QStringLiteral("Lista"));
}
QStatusBar* WindowFixture::Status() const {
    return window->findChild<QStatusBar*>(QStringLiteral("Status"));
}
QString WindowFixture::TempoText() const {
    return Tempo()->text();
}
QString WindowFixture::StatusText() const {
    return Status()->currentMessage();
}

QStringList WindowFixture::ListRows() const {
    QStringList rows;
    const QAbstractItemModel* model = Lista()->model();
    for (int r = 0; r < model->rowCount(); ++r)
        rows.append(model->index(r, 0).data().toString() + QLatin1Char('|') +
                    model->index(r, 1).data().toString());
    return rows;
}

int WindowFixture::SelectedRow() const {
    const QModelIndexList rows = Lista()->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}
