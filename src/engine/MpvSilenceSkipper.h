#pragma once

#include "engine/MpvSilenceScanner.h"

#include <QByteArray>

#include <functional>
#include <optional>
#include <vector>

/// Where playback at `position` inside `silence` moves on to, if anywhere: the first
/// kSilenceKept of a silence is heard and so is its last kSilenceKeptBeforeSound, so that a
/// pause still sounds like one and no sound is ever cut; what lies between is passed over.
/// Nothing when too little would be passed over to be worth a seek.
std::optional<double> SilenceSkipTarget(const Silence& silence, double position);

// mpv reports the position every 0.1 to 0.2 s, so a seek allowed from 0.4 s in comes on average
// after about half a second of the silence has been heard.
inline constexpr double kSilenceKept = 0.4;
inline constexpr double kSilenceKeptBeforeSound = 0.15;

/// Shortens the silences of what plays by seeking over them, so that positions stay in the
/// recording's own time and sound is never sped up: the silences come from a scan that runs ahead
/// of playback, and a seek is sent only while no other move is on its way, so it never overrides
/// one the listener asked for. Runs on the client's thread; knows mpv only through `seek`.
class MpvSilenceSkipper {
public:
    /// `seek` sends mpv to the given seconds of the current file.
    explicit MpvSilenceSkipper(std::function<void(double)> seek) : FSeek(std::move(seek)) {}

    void SetOn(bool on);
    bool On() const { return FOn; }
    /// mpv starts another file: until its path is told, no position is acted on.
    void OnStartFile();
    /// The path of the file mpv plays, as mpv was given it.
    void OnPath(const QByteArray& path);
    /// A seek or a load was sent by someone else: positions mean nothing until playback restarts.
    void OnMoveSent() { FMoving = true; }
    /// Playback restarted after a move.
    void OnPlaybackRestart() { FMoving = false; }
    /// mpv refused a seek of the skipper's own.
    void OnSkipRefused() { FMoving = false; }
    /// mpv reports that the current file plays at `seconds`.
    void OnPosition(double seconds);
    /// The stretches of recording passed over so far, from where the seek was sent to where it
    /// went, in order, all files together.
    const std::vector<Silence>& PassedOver() const { return FPassedOver; }

private:
    std::function<void(double)> FSeek;
    MpvSilenceScanner FScanner;
    QByteArray FPath; // a local path, or empty for what cannot be scanned or is not known yet
    bool FOn = false;
    bool FMoving = false;
    bool FScanning = false;
    std::vector<Silence> FPassedOver;
};
