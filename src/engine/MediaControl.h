#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <stdexcept>

/// Raised by a media control operation that failed.
class MediaControlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Play states of the media control.
enum PlayStates {
    psUndefined = 0,
    psStopped = 1,
    psPaused = 2,
    psPlaying = 3,
    psScanForward = 4,
    psScanReverse = 5,
    psMediaEnded = 8,
    psTransitioning = 9,
};

/// The tags that name a file, each as the file has it; empty when the file has none.
struct MediaTags {
    QString title;
    QString artist;
    QString album;

    bool operator==(const MediaTags&) const = default;
};

/// A chapter of the current media: where it starts, in seconds of media time, and its title
/// (empty when it has none).
struct MediaChapter {
    double start = 0.0;
    QString title;
};

/// A stretch of a local file that is part of a track made of clips.
struct MediaClip {
    QString path;       // absolute
    double begin = 0.0; // seconds in the file
    double end = 0.0;   // seconds in the file, after begin
    double at = 0.0;    // seconds of track time where the clip starts
    friend bool operator==(const MediaClip&, const MediaClip&) = default;
};

/// How the listener asked the sound to be shaped; all off plays the recording as it is.
struct SoundOptions {
    bool evenLoudness = false;  // speech of any level comes out at one loudness
    bool mono = false;          // both channels carry the mix of the two
    bool shortSilences = false; // a silence is passed over quickly after its first half second
    friend bool operator==(const SoundOptions&, const SoundOptions&) = default;
};

/// The outside media control the player is built on: its operations, states and units. Positions
/// and durations are seconds, volume 0 to 100, rate 1.0 for normal speed. Every operation may
/// throw MediaControlError; one that throws has emitted nothing.
///
/// PlayStateChange is emitted on the UI thread, only when the state changes, and PlayState()
/// already returns the new state while the signal is delivered. Below, "inside the call" means
/// before the operation returns; "later" means from the event loop, after it has returned.
///
/// The end of a file, reported later: 8, then 1, and the position reads 0 from 8 on. A handler of
/// 8 may set the next file inside the signal; then that SetUrl reports 9 and no 1 follows.
///
/// The end of a file when SetNextUrl prepared the next one: mpv moves on to it by itself, and the
/// control keeps that unheard of until the program asks for it. 8 is reported; the window's handler
/// posts its advance (a queued call); 1 is reported; the control then queues its orphan check,
/// which therefore runs after the posted advance. The advance sets the file mpv already started
/// (SetUrl with the path and start hinted), and the control adopts it: 9 inside that call, 3 later,
/// exactly as for a file loaded anew. If nothing set it by the time the orphan check runs, the
/// control stops it and the states stay 8, 1.
///
/// A stop the control reports by itself, as when the audio output died: 1 without 8, later, and
/// the position reached stays readable so that it can be remembered.
class MediaControl : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~MediaControl() override = default;

    /// Opens a local file and starts playing it: 9 inside the call (none if already 9); later 3
    /// once it plays, 2 instead if Pause came while it opened, or 8 then 1 with EndedByFailure
    /// when it cannot be opened or read. The file it replaces reports no end.
    virtual void SetUrl(const QString& path) = 0;
    /// Opens a track made of clips, given in order of `at` and not overlapping, and starts playing
    /// it from track time 0, with the states SetUrl reports. The clips play one after another with
    /// no gap: a change of file as gapless as a change of track, clips of one file that touch as one
    /// stretch. Track time that lies in no clip is passed over. Positions and the duration
    /// (`length`) are track time; the name is `name` and the tags are `tags`; there are no
    /// chapters. A clip that cannot be opened or read is passed over; the track ends as a failure
    /// only when none of its clips could be played. No clips: it ends at once as a failure.
    virtual void SetClips(const QString& name, const MediaTags& tags, const QList<MediaClip>& clips,
                          double length) = 0;
    /// A hint: `path` is likely the next file set, to start at `start` seconds; an empty path
    /// withdraws the hint. The control may prepare it so that the change leaves no gap; what
    /// SetUrl and the events report stays the same either way. Emits nothing.
    virtual void SetNextUrl(const QString& path, double start) = 0;
    virtual int PlayState() const = 0;
    /// Stops and forgets the file: 1 inside the call (none if already 1), never 8; the position
    /// reads 0 and the name is empty.
    virtual void Close() = 0;
    /// From 2: 3 inside the call. While opening (9): nothing now, and the file opens playing.
    /// Otherwise nothing.
    virtual void Play() = 0;
    /// From 3 (or 4, 5): 2 inside the call. While opening (9): nothing now, and the file opens
    /// paused (2 later instead of 3). Otherwise nothing.
    virtual void Pause() = 0;
    virtual double CurrentPosition() const = 0;
    /// Reads back at once, also while the move is on its way. Emits nothing; a place at or past
    /// the end ends the file later (8, then 1).
    virtual void SetCurrentPosition(double seconds) = 0;
    virtual int Volume() const = 0;
    /// Emits nothing.
    virtual void SetVolume(int volume) = 0;
    virtual double Rate() const = 0;
    /// Emits nothing.
    virtual void SetRate(double rate) = 0;
    /// What plays now and every file after it sounds as `options` say; positions, lengths and the
    /// rate stay those of the recording. Emits nothing.
    virtual void SetSound(const SoundOptions& options) = 0;
    /// Display name of the current media.
    virtual QString MediaName() const = 0;
    /// The current file's tags, as far as they are known: none while nothing is open, and those
    /// of the file last set from when it plays. They may come after 3: TagsChange tells.
    virtual MediaTags Tags() const = 0;
    /// Length of the current media in seconds.
    virtual double MediaDuration() const = 0;
    /// The current media's chapters in the order the file gives them, from the file itself or, when
    /// it has none, from a CUE sheet of the same base name beside it; empty when there are none or
    /// nothing is open. Times are as the file says them, unchecked. Emits nothing.
    virtual QList<MediaChapter> Chapters() const = 0;
    /// True when the file last set ended (state 8) because it could not be opened or read, not
    /// because it played to its end; false again once another file is set.
    virtual bool EndedByFailure() const = 0;

signals:
    void PlayStateChange(int newState);
    /// Tags() changed for the current file, later, as they came; setting or closing a file emits
    /// none, as its state change tells already.
    void TagsChange();
};
