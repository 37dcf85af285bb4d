#include "formats/MediaOpenRule.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// By libavformat's names; a demuxer whose name is a list ("mov,mp4,m4a,...") counts when one of
// its names is here.
const char kMediaDemuxers[] =
    "aac,ac3,aiff,amr,amrnb,amrwb,ape,asf,au,avi,caf,dsf,dts,dtshd,dv,eac3,flac,flv,"
    "gsm,h264,hevc,ircam,libopenmpt,loas,m4v,matroska,mlp,mov,mp3,mpc,mpc8,mpeg,"
    "mpegts,mpegvideo,nistsphere,nut,ogg,oma,qcp,rm,shn,tak,truehd,tta,vc1,voc,w64,"
    "wav,wtv,wv,xwma";

int OpenRegularFile(const QByteArray& file) {
    if (!IsRegularFile(file))
        return -1;
    // Without blocking: if a FIFO took the file's place since the check, this open still returns.
    const int fd = ::open(file.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool IsRegularFile(const QByteArray& file) {
    struct stat st {};
    return !file.isEmpty() && ::stat(file.constData(), &st) == 0 && S_ISREG(st.st_mode);
}
