#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstddef>

// How the store compares names: upper-cased as StoreText::UpperKey does, with a fast path for the
// plain ASCII names nearly every file holds. Internal to src/config.
namespace StoreNames {

/// The hash of an upper-cased name.
quint32 HashOfUpper(QStringView upper);
/// The hash of UpperKey(name), without building it for plain ASCII.
quint32 HashOfName(QStringView name);
/// UpperKey(name) == upper, without building it for plain ASCII.
bool NameHasKey(QStringView name, QStringView upper);

using Decoder = QString (*)(QByteArrayView);

// Upper-cased entry names of recent lines. Files repeat a few names ("Path", "Time") thousands of
// times; sharing one upper-cased copy saves an allocation per line.
class TNameKeys {
public:
    explicit TNameKeys(Decoder decode) : FDecode(decode) {}
    QString KeyOf(QByteArrayView name);

private:
    struct Recent {
        bool used = false;
        QByteArray name;
        QString key;
    };
    Decoder FDecode;
    std::array<Recent, 4> FRecent;
    std::size_t FNext = 0;
};

} // namespace StoreNames
