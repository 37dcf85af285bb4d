// What a screen reader finds in the main window: roles, names, focus and the spoken notices.
#include "WindowFixture.h"

#include "shell/SpokenNotice.h"
#include "texts/Texts.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>

namespace {
/// The window's accessible faces as a screen reader queries them. (The offscreen platform has no
/// accessibility bus, so the events themselves are checked with the real screen reader.)
class Accessibility : public WindowFixture {
protected:
    void ShowInFront() {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        DrainEvents();
    }
    static QAccessibleInterface* Face(QObject* object) {
        return QAccessible::queryAccessibleInterface(object);
    }
    TSpokenNotice* Notice(const char* name) const {
        return window->findChild<TSpokenNotice*>(QString::fromLatin1(name));
    }
};

TEST_F(Accessibility, TheWindowIsAFrameNamedByItsTitle) {
    Start({Touch("Brano uno.mp3")});
    QAccessibleInterface* face = Face(window.get());
    ASSERT_TRUE(face);
    EXPECT_EQ(face->role(), QAccessible::Window);
    EXPECT_EQ(face->text(QAccessible::Name), "Brano uno");
}

TEST_F(Accessibility, TheTrackListIsAListOfFileNamesWithoutPaths) {
    const QString a = Touch("l/a.mp3");
    const QString b = Touch("l/b.mp3");
    Start({a, b});
    QAccessibleInterface* list = Face(Lista());
    ASSERT_TRUE(list);
    EXPECT_EQ(list->role(), QAccessible::List);
    ASSERT_EQ(list->childCount(), 2);
    QAccessibleInterface* second = list->child(1);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->role(), QAccessible::ListItem);
    EXPECT_EQ(second->text(QAccessible::Name), "b.mp3");
    EXPECT_FALSE(second->text(QAccessible::Description).contains(Root()));
    EXPECT_EQ(list->indexOfChild(second), 1);
    EXPECT_EQ(second->parent(), list);
    // The path stays on screen in the second column, and is the row's part for reviewing the screen.
    EXPECT_EQ(ListRows().value(1), "b.mp3|" + b);
    ASSERT_EQ(second->childCount(), 1);
    QAccessibleInterface* path = second->child(0);
    ASSERT_TRUE(path);
    EXPECT_EQ(path->role(), QAccessible::StaticText);
    EXPECT_EQ(path->text(QAccessible::Name), b);
    EXPECT_EQ(path->parent(), second);
    EXPECT_EQ(second->indexOfChild(path), 0);
}

TEST_F(Accessibility, ARowIsFocusedOnlyWhileTheListHasTheFocus) {
    Start({Touch("l/a.mp3"), Touch("l/b.mp3"), Touch("l/c.mp3")});
    ShowInFront();
    ASSERT_TRUE(Tempo()->hasFocus());
    Press(Tempo(), Qt::Key_Down); // the next track, with the focus in the time field
    ASSERT_EQ(SelectedRow(), 1);
    QAccessibleInterface* list = Face(Lista());
    EXPECT_FALSE(list->child(1)->state().focused);
    EXPECT_TRUE(list->child(1)->state().selected);
    EXPECT_EQ(list->focusChild(), nullptr);

    Lista()->setFocus();
    DrainEvents();
    EXPECT_TRUE(list->child(1)->state().focused);
    EXPECT_EQ(list->focusChild(), list->child(1));
    Press(Lista(), Qt::Key_Down);
    EXPECT_FALSE(list->child(1)->state().focused);
    EXPECT_TRUE(list->child(2)->state().focused);
}

TEST_F(Accessibility, RowsFollowTheListWhenItIsRebuilt) {
    Start({Touch("l/a.mp3"), Touch("l/b.mp3")});
    QAccessibleInterface* list = Face(Lista());
    ASSERT_EQ(list->childCount(), 2);
    ASSERT_EQ(list->child(1)->text(QAccessible::Name), "b.mp3");
    // A list rebuilt in another order: the second row now names the other file.
    window->Core().Shuffle();
    const QString shown = Lista()->model()->index(1, 0).data().toString();
    EXPECT_EQ(list->child(1)->text(QAccessible::Name), shown);
    EXPECT_EQ(list->childCount(), 2);
}

TEST_F(Accessibility, TheIdleTimeFieldHasASpokenNameInEitherLanguage) {
    for (const auto& [languageId, stopped] : {std::pair{1040, "Fermo"}, std::pair{3082, "Detenido"}}) {
        window.reset();
        settings.reset();
        platform.languageId = languageId;
        Start({Touch("a.mp3")});
        EXPECT_EQ(Tempo()->accessibleName(), "") << languageId;
        Press(Tempo(), Qt::Key_S, Qt::ControlModifier);
        EXPECT_EQ(TempoText(), "-") << languageId; // what the field shows is unchanged
        EXPECT_EQ(Tempo()->accessibleName(), stopped) << languageId;
        EXPECT_EQ(Face(Tempo())->text(QAccessible::Value), "-") << languageId;
    }
}

TEST_F(Accessibility, BetweenTwoTracksTheTitleGoesStraightToTheNext) {
    Start({Touch("l/a.mp3"), Touch("l/b.mp3")});
    QStringList titles;
    QObject::connect(window.get(), &QWidget::windowTitleChanged, [&](const QString& t) { titles.append(t); });
    control->FinishMedia(); // ended, then stopped, before the advance runs
    EXPECT_EQ(window->windowTitle(), "a");
    DrainEvents();
    EXPECT_EQ(titles, QStringList({"b"}));

    // While a file opens it is already shown, not the idle look.
    control->state = psTransitioning;
    window->RefreshDisplay();
    EXPECT_EQ(window->windowTitle(), "b");
    EXPECT_NE(TempoText(), "-");
}

TEST_F(Accessibility, SpeedAndVolumeStepsAreSpokenOnlyWhileInFront) {
    Start({Touch("a.mp3")});
    TSpokenNotice* notice = Notice("StepNotice");
    ASSERT_TRUE(notice);
    Press(Tempo(), Qt::Key_F5);
    EXPECT_FALSE(notice->Waiting()) << "spoken while the window is not in front";

    ShowInFront();
    control->volume = 100;
    Press(Tempo(), Qt::Key_F5);
    EXPECT_EQ(notice->Pending(), QString::fromUtf8("Velocità 1,4"));
    Press(Tempo(), Qt::Key_F8);
    Press(Tempo(), Qt::Key_F8);
    EXPECT_EQ(notice->Pending(), "Volume 90");
    QSignalSpy spoken(notice, &TSpokenNotice::Spoken);
    ASSERT_TRUE(spoken.wait(10000));
    EXPECT_EQ(spoken.count(), 1); // the series is said once, with its last value
    EXPECT_EQ(spoken.at(0).at(0).toString(), "Volume 90");
    EXPECT_EQ(Face(notice)->role(), QAccessible::Notification);
    EXPECT_EQ(Face(notice)->text(QAccessible::Name), "Volume 90");
    DrainEvents();
    EXPECT_TRUE(notice->isHidden()); // shown only for the moment it is spoken
}

TEST_F(Accessibility, ATrackChangeInFrontIsSaidOnceByItsName) {
    Start({Touch("l/a.mp3"), Touch("l/b.mp3")});
    TSpokenNotice* notice = Notice("TitleNotice");
    ASSERT_TRUE(notice);
    ShowInFront();
    QSignalSpy spoken(notice, &TSpokenNotice::Spoken);
    Press(Tempo(), Qt::Key_Down);
    ASSERT_TRUE(spoken.wait(10000));
    EXPECT_EQ(spoken.count(), 1);
    EXPECT_EQ(spoken.at(0).at(0).toString(), "b");
}

TEST_F(Accessibility, TracksSharingATitleTagAreSaidApart) {
    const QStringList files = {Touch("l/01.mp3"), Touch("l/02.mp3"), Touch("l/03.mp3")};
    Start({Root() + "l"});
    TSpokenNotice* notice = Notice("TitleNotice");
    ASSERT_TRUE(notice);
    ShowInFront();
    control->ChangeTags({"Il libro", "", ""}); // shown as it comes, not at the next tick
    EXPECT_EQ(window->windowTitle(), "Il libro");
    control->tags.insert(files[1], {"Il libro", "", ""});
    Press(Tempo(), Qt::Key_Down);
    EXPECT_EQ(window->windowTitle(), "Il libro");
    EXPECT_EQ(notice->Pending(), "Il libro, 2 di 3");
    Press(Tempo(), Qt::Key_Down); // no tag: its file name, which differs anyway
    EXPECT_EQ(window->windowTitle(), "03");
    EXPECT_EQ(notice->Pending(), "03");
}
} // namespace
