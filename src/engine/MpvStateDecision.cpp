#include "engine/MpvStateDecision.h"

#include "engine/MediaControl.h"

MpvStateDecision DecideState(MpvFileTracker::Verdict verdict, bool pauseWanted) {
    switch (verdict) {
    case MpvFileTracker::Verdict::None:
        return {};
    case MpvFileTracker::Verdict::Loaded:
        return {pauseWanted ? psPaused : psPlaying};
    case MpvFileTracker::Verdict::MediaEnded:
        return {psMediaEnded};
    case MpvFileTracker::Verdict::Failed:
        return {psMediaEnded, true};
    case MpvFileTracker::Verdict::Redirected:
        // Should access-references ever let a playlist through, its entries must not play.
        return {psMediaEnded, true, true};
    case MpvFileTracker::Verdict::Stopped:
        return {psStopped};
    }
    return {};
}
