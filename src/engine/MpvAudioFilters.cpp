#include "engine/MpvAudioFilters.h"

#include "engine/MediaControl.h"
#include "engine/MpvClient.h"

#include <QByteArrayList>

namespace {

// Any layout is first brought to two channels (a mono file doubled, surround folded down), then
// each side carries the mean of both: a sound on one side only is heard on both, 6 dB lower, and
// nothing of either side is lost.
constexpr char kMono[] =
    "lavfi=[aformat=channel_layouts=stereo,pan=stereo|c0=0.5*c0+0.5*c1|c1=0.5*c0+0.5*c1]";

// The gain follows the speech over about two seconds each side (frames of 250 ms, 15 of them in
// the smoothing window), aiming at an RMS of 0.5 within a peak of 0.95 and at most 26 dB of lift:
// recordings from -30 to -14 LUFS land near -16 LUFS. Frames whose peak stays under 0.01 (-40 dBFS)
// are pauses and keep the gain of the speech around them, so the noise of a pause is not pumped up;
// the alternative boundary lifts the first seconds of a file at once instead of fading them in.
// The limiter then keeps the peaks under -1.9 dBFS, its delay compensated so positions stay exact.
constexpr char kEvenLoudness[] = "lavfi=[dynaudnorm=f=250:g=15:p=0.95:m=20:r=0.5:t=0.01:b=1,"
                                 "alimiter=limit=0.8:level=false:latency=true]";

// mpv keeps the pitch at a changed speed with a filter of its own choosing (scaletempo2), which
// falls silent outside its default range. Outside that range the same filter is put in the chain
// by hand with mpv's whole range of speeds; only there, as in the chain at normal speed it would
// drop the last moments of every file.
QByteArray WidePitchKeeper() {
    return "scaletempo2=min-speed=" + QByteArray::number(kMpvSlowestSpeed) +
           ":max-speed=" + QByteArray::number(kMpvFastestSpeed);
}

} // namespace

QByteArray MpvAudioFilterList(const SoundOptions& sound, bool widePitchKeeper) {
    QByteArrayList filters;
    if (sound.mono)
        filters << kMono;
    if (sound.evenLoudness)
        filters << kEvenLoudness;
    if (widePitchKeeper)
        filters << WidePitchKeeper();
    return filters.join(',');
}
