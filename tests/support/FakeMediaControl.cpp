#include "FakeMediaControl.h"

#include <QFileInfo>
#include <QMetaObject>

#include <utility>

void FakeMediaControl::MaybeFail(const char* operation) const {
    if (failing.contains(QString::fromLatin1(operation)))
        throw MediaControlError(std::string("fake failure: ") + operation);
}

void FakeMediaControl::SetUrl(const QString& path) {
    MaybeFail("SetUrl");
    opened.append(path);
    url = path;
    endedByFailure = false;
    position = 0;
    ChangeState(psTransitioning);
    // As the real control: the file opens later, from the event loop, playing unless paused meanwhile.
    QMetaObject::invokeMethod(
        this,
        [this, serial = ++FOpenSerial] {
            if (serial == FOpenSerial && state == psTransitioning)
                ChangeState(std::exchange(FOpenPaused, false) ? psPaused : psPlaying);
        },
        Qt::QueuedConnection);
    FOpenPaused = false;
}

void FakeMediaControl::SetClips(const QString& name, const MediaTags& clipTags, const QList<MediaClip>& clips,
                                double length) {
    MaybeFail("SetClips");
    clipsOpened.append(clips);
    durations.insert(name, length);
    tags.insert(name, clipTags);
    SetUrl(name);
}

void FakeMediaControl::SetNextUrl(const QString& path, double start) {
    MaybeFail("SetNextUrl");
    nextHints.append({path, start});
}

int FakeMediaControl::PlayState() const {
    MaybeFail("PlayState");
    return state;
}

void FakeMediaControl::Close() {
    MaybeFail("Close");
    ++closes;
    url.clear();
    position = 0;
    ChangeState(psStopped);
}

void FakeMediaControl::Play() {
    MaybeFail("Play");
    if (state == psTransitioning)
        FOpenPaused = false;
    if (state == psPaused)
        ChangeState(psPlaying);
}

void FakeMediaControl::Pause() {
    MaybeFail("Pause");
    if (state == psTransitioning)
        FOpenPaused = true;
    if (state >= psPlaying && state <= psScanReverse)
        ChangeState(psPaused);
}

double FakeMediaControl::CurrentPosition() const {
    MaybeFail("CurrentPosition");
    return position;
}

void FakeMediaControl::SetCurrentPosition(double seconds) {
    MaybeFail("SetCurrentPosition");
    positionPuts.append(seconds);
    position = seconds;
}

int FakeMediaControl::Volume() const {
    MaybeFail("Volume");
    return volume;
}

void FakeMediaControl::SetVolume(int v) {
    MaybeFail("SetVolume");
    volumePuts.append(v);
    volume = v;
}

double FakeMediaControl::Rate() const {
    MaybeFail("Rate");
    return rate;
}

void FakeMediaControl::SetRate(double r) {
    MaybeFail("SetRate");
    ratePuts.append(r);
    rate = r;
}

void FakeMediaControl::SetSound(const SoundOptions& options) {
    MaybeFail("SetSound");
    soundPuts.append(options);
}

QString FakeMediaControl::MediaName() const {
    MaybeFail("MediaName");
    return QFileInfo(url).completeBaseName();
}

MediaTags FakeMediaControl::Tags() const {
    MaybeFail("Tags");
    return tags.value(url);
}

double FakeMediaControl::MediaDuration() const {
    MaybeFail("MediaDuration");
    return durations.value(url, 200.0);
}

QList<MediaChapter> FakeMediaControl::Chapters() const {
    MaybeFail("Chapters");
    return chapters.value(url);
}

void FakeMediaControl::FailMedia() {
    endedByFailure = true;
    FinishMedia();
}

bool FakeMediaControl::EndedByFailure() const {
    MaybeFail("EndedByFailure");
    return endedByFailure;
}

void FakeMediaControl::FinishMedia() {
    position = 0;
    ChangeState(psMediaEnded);
    // A handler may already have opened the next file.
    if (state == psMediaEnded)
        ChangeState(psStopped);
}

void FakeMediaControl::ChangeTags(const MediaTags& newTags) {
    tags.insert(url, newTags);
    emit TagsChange();
}

void FakeMediaControl::ChangeState(int newState) {
    if (state == newState)
        return;
    state = newState;
    emit PlayStateChange(newState);
}
