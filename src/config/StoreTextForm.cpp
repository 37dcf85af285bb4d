#include "config/StoreTextForm.h"

#include "config/SectionTable.h"
#include "config/StoreNameKeys.h"
#include "config/StoreText.h"
#include "util/FileNameCodec.h"

using namespace StoreNames;

namespace {

// Files this program writes in UTF-8 begin with it; so may a file an editor saved.
constexpr QByteArrayView kUtf8Mark("\xEF\xBB\xBF", 3);

QString DecodeCp1252(QByteArrayView bytes) {
    return StoreText::DecodeCp1252(bytes);
}

// UTF-8, with the bytes that are not UTF-8 kept as the file-name codec keeps them: a path that
// is not valid UTF-8 is written as its own bytes and comes back the same.
QString DecodeUtf8(QByteArrayView bytes) {
    return DecodeFileName(bytes);
}

void AppendUtf8(QStringView text, QByteArray& out) {
    out += EncodeFileName(text.toString());
}

} // namespace

namespace StoreTextForm {

// Works on the bytes and decodes only what it keeps: the characters the format looks at (CR, LF,
// '[', ']', ';', '=' and the controls trimmed) are the same bytes in both encodings.
void Parse(const QByteArray& all, TSectionTable& table) {
    QByteArrayView bytes(all);
    const bool utf8 = bytes.startsWith(kUtf8Mark);
    if (utf8)
        bytes = bytes.sliced(kUtf8Mark.size());
    const Decoder decode = utf8 ? DecodeUtf8 : DecodeCp1252;
    const char* data = bytes.data();
    const qsizetype size = bytes.size();
    TNameKeys keys(decode);
    // Room for the sections up front: growing the vector would copy it and hold up to twice the
    // memory. A header is a '[' that begins a line (leading blanks aside, which only makes the
    // count short and the vector grow).
    qsizetype headers = (size > 0 && data[0] == '[') ? 1 : 0;
    for (qsizetype i = 1; i < size; ++i) {
        if (data[i] == '[' && (data[i - 1] == '\n' || data[i - 1] == '\r'))
            ++headers;
    }
    table.Reserve(headers);
    int current = -1; // lines before the first header belong nowhere and are dropped
    qsizetype pos = 0;
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && data[end] != '\r' && data[end] != '\n')
            ++end;
        const QByteArrayView line = StoreText::TrimControls(QByteArrayView(data + pos, end - pos));
        // CR LF, a lone CR and a lone LF each end one line.
        pos = (end + 1 < size && data[end] == '\r' && data[end + 1] == '\n') ? end + 2 : end + 1;

        if (line.isEmpty() || line.front() == ';')
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            current = table.Append(decode(StoreText::TrimControls(line.sliced(1, line.size() - 2))));
            continue;
        }
        if (current < 0)
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0) {
            table.AddLine(current, decode(line), QString(), -1);
            continue;
        }
        const QByteArrayView name = StoreText::TrimControls(line.first(eq));
        const QByteArrayView value = StoreText::TrimControls(line.sliced(eq + 1));
        if (utf8) {
            QString decodedName = decode(name);
            const qsizetype valueStart = decodedName.size() + 1;
            QString stored = std::move(decodedName);
            stored += u'=';
            stored += decode(value);
            table.AddLine(current, std::move(stored), keys.KeyOf(name), valueStart);
            continue;
        }
        QString stored(name.size() + 1 + value.size(), Qt::Uninitialized);
        char16_t* out = reinterpret_cast<char16_t*>(stored.data());
        StoreText::DecodeCp1252Into(name, out);
        out[name.size()] = u'=';
        StoreText::DecodeCp1252Into(value, out + name.size() + 1);
        table.AddLine(current, std::move(stored), keys.KeyOf(name), name.size() + 1);
    }
    table.Squeeze();
}

QByteArray Serialize(const TSectionTable& table) {
    qsizetype size = 0;
    table.ForEach([&size](QStringView name, std::span<const TSectionTable::Line> lines) {
        size += name.size() + 6;
        for (const TSectionTable::Line& line : lines)
            size += line.text.size() + 2;
    });
    // The code page while every character fits, so that the files stay what they have always
    // been; otherwise the whole file in UTF-8, marked so that it is read as such.
    auto encode = [&](QByteArray& out, bool utf8) {
        auto put = [&](QStringView text) {
            if (utf8) {
                AppendUtf8(text, out);
                return true;
            }
            return StoreText::EncodeCp1252Exact(text, out);
        };
        bool fits = true;
        table.ForEach([&](QStringView name, std::span<const TSectionTable::Line> lines) {
            if (!fits)
                return;
            out += '[';
            if (!put(name)) {
                fits = false;
                return;
            }
            out += "]\r\n";
            for (const TSectionTable::Line& line : lines) {
                if (!put(line.text)) {
                    fits = false;
                    return;
                }
                out += "\r\n";
            }
            out += "\r\n";
        });
        return fits;
    };
    QByteArray out;
    out.reserve(size);
    if (encode(out, false))
        return out;
    out.clear();
    out += kUtf8Mark.toByteArray();
    encode(out, true);
    return out;
}

} // namespace StoreTextForm
