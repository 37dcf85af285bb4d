#pragma once

#include <QObject>

class TListeningClock;
class TMyPlayer;

/// The sleep timer: a choice of minutes (or the end of the playing track) counted only while a file
/// plays. Over its last kFadeSeconds the volume falls smoothly to nothing; then playback pauses and
/// the volume is put back for the next play. The owner calls Tick often while Armed.
class TSleepTimer : public QObject {
    Q_OBJECT
public:
    static constexpr double kFadeSeconds = 10;
    /// The choices in the order one key steps through them; 0 is off, kSleepAtTrackEnd the track's end.
    static const int kChoices[7];

    TSleepTimer(TMyPlayer& player, const TListeningClock& clock, QObject* parent = nullptr);

    /// Steps to the next choice and starts counting it afresh; during the fade, turns the timer off
    /// and puts the volume back at once. Returns the new choice.
    int Cycle();
    /// Minutes, 0 (off) or kSleepAtTrackEnd.
    int Choice() const { return FChoice; }
    bool Armed() const { return FChoice != 0; }
    /// True while the timer holds the volume down.
    bool Fading() const { return FLowered; }
    /// Counts the time played since the last look, fades, and at the end pauses and emits Expired.
    void Tick();
    /// At the end of a track that played to its end: true, once, when the timer waits for that end;
    /// the timer is then off and the volume back. The owner keeps the next track from playing.
    bool TakeTrackEnd();

    /// The volume the listener set: while fading, the one the fade started from.
    int Volume() const;
    /// Sets the listener's volume; while fading, the fade goes on from it.
    void SetVolume(int volume);

signals:
    /// The timer paused playback and turned itself off.
    void Expired();

private:
    /// Adds the time since the last look when the file played all along.
    void Count();
    double Remaining() const;
    void Restore();
    void Off();

    TMyPlayer& FPlayer;
    const TListeningClock& FClock;
    int FChoice = 0;
    double FPlayed = 0;
    double FLastLook = 0;
    bool FWasPlaying = false;
    bool FLowered = false;
    int FBase = 0;      // the listener's volume while lowered
    double FFactor = 1; // what the fade lets through, 0 to 1
    int FApplied = -1;  // the volume last put, so that a tick puts only changes
};
