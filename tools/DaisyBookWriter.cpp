#include "DaisyBookWriter.h"

#include "WavWriter.h"

#include <QDir>
#include <QFile>

namespace {

QString Escaped(const QString& text) {
    return text.toHtmlEscaped();
}

QString SmilName(std::size_t section) {
    return QStringLiteral("s%1.smil").arg(section + 1, 4, 10, QLatin1Char('0'));
}

QString ParId(std::size_t section, std::size_t phrase) {
    return QStringLiteral("p%1_%2").arg(section + 1).arg(phrase + 1);
}

bool WriteText(const QString& path, const QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = text.toUtf8();
    return file.write(bytes) == bytes.size();
}

/// "npt=12.345s" as DAISY 2.02 writes it.
QString Npt(double seconds) {
    return QStringLiteral("npt=%1s").arg(seconds, 0, 'f', 3);
}

/// "1:02:03.500", a full SMIL clock value as DAISY 3 writes it.
QString FullClock(double seconds) {
    const auto millis = static_cast<long long>(seconds * 1000 + 0.5);
    return QStringLiteral("%1:%2:%3.%4")
        .arg(millis / 3600000)
        .arg(millis / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(millis / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(millis % 1000, 3, 10, QLatin1Char('0'));
}

const char* SystemRequired(TBookPart part) {
    switch (part) {
    case TBookPart::PageNumber:
        return "pagenumber-on";
    case TBookPart::Note:
    case TBookPart::NoteReference:
    case TBookPart::Annotation:
        return "footnote-on";
    case TBookPart::ProducerNote:
        return "prodnote-on";
    case TBookPart::Sidebar:
        return "sidebar-on";
    case TBookPart::Text:
        break;
    }
    return nullptr;
}

const char* CustomTest(TBookPart part) {
    switch (part) {
    case TBookPart::PageNumber:
        return "pagenum";
    case TBookPart::Note:
        return "note";
    case TBookPart::NoteReference:
        return "noteref";
    case TBookPart::Annotation:
        return "annotation";
    case TBookPart::ProducerNote:
        return "prodnote";
    case TBookPart::Sidebar:
        return "sidebar";
    case TBookPart::Text:
        break;
    }
    return nullptr;
}

const char* PageClass(TBookPageKind kind) {
    switch (kind) {
    case TBookPageKind::Front:
        return "page-front";
    case TBookPageKind::Special:
        return "page-special";
    case TBookPageKind::Normal:
        break;
    }
    return "page-normal";
}

const char* PageType(TBookPageKind kind) {
    switch (kind) {
    case TBookPageKind::Front:
        return "front";
    case TBookPageKind::Special:
        return "special";
    case TBookPageKind::Normal:
        break;
    }
    return "normal";
}

QString Smil(const TBookPlan& plan, std::size_t s) {
    const bool three = plan.FFormat == TBookFormat::Daisy3;
    QString out = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    if (three) {
        out += QStringLiteral(
            "<!DOCTYPE smil PUBLIC \"-//NISO//DTD dtbsmil 2005-2//EN\" "
            "\"http://www.daisy.org/z3986/2005/dtbsmil-2005-2.dtd\">\n"
            "<smil xmlns=\"http://www.w3.org/2001/SMIL20/\">\n<head>\n<customAttributes>\n"
            "<customTest id=\"pagenum\" defaultState=\"false\" override=\"visible\" "
            "bookStruct=\"PAGE_NUMBER\"/>\n"
            "<customTest id=\"note\" defaultState=\"false\" override=\"visible\" bookStruct=\"NOTE\"/>\n"
            "<customTest id=\"noteref\" defaultState=\"false\" override=\"visible\" "
            "bookStruct=\"NOTE_REFERENCE\"/>\n"
            "<customTest id=\"annotation\" defaultState=\"false\" override=\"visible\" "
            "bookStruct=\"ANNOTATION\"/>\n"
            "<customTest id=\"prodnote\" defaultState=\"false\" override=\"visible\" "
            "bookStruct=\"PRODNOTE\"/>\n"
            "<customTest id=\"sidebar\" defaultState=\"false\" override=\"visible\" "
            "bookStruct=\"SIDEBAR\"/>\n"
            "</customAttributes>\n</head>\n<body>\n<seq id=\"root\">\n");
    } else {
        out += QStringLiteral("<!DOCTYPE smil PUBLIC \"-//W3C//DTD SMIL 1.0//EN\" "
                              "\"http://www.w3.org/TR/REC-smil/SMIL10.dtd\">\n"
                              "<smil>\n<head>\n<meta name=\"dc:format\" content=\"Daisy 2.02\"/>\n</head>\n"
                              "<body>\n<seq>\n");
    }
    const TBookSection& section = plan.FSections[s];
    for (std::size_t p = 0; p < section.FPhrases.size(); ++p) {
        const TBookPhrase& phrase = section.FPhrases[p];
        const QString src = Escaped(plan.FAudio[std::size_t(phrase.FAudio)].FName);
        out += QStringLiteral("<par id=\"%1\"").arg(ParId(s, p));
        if (const char* test = three ? CustomTest(phrase.FPart) : SystemRequired(phrase.FPart))
            out += (three ? QStringLiteral(" customTest=\"%1\"") : QStringLiteral(" system-required=\"%1\""))
                       .arg(QLatin1String(test));
        out += QStringLiteral("><text src=\"content.html#t%1\" id=\"t%1\"/>").arg(ParId(s, p));
        if (three)
            out += QStringLiteral("<audio src=\"%1\" clipBegin=\"%2\" clipEnd=\"%3\"/>")
                       .arg(src, FullClock(phrase.FBegin), FullClock(phrase.FEnd));
        else
            out += QStringLiteral("<audio src=\"%1\" clip-begin=\"%2\" clip-end=\"%3\" id=\"a%4\"/>")
                       .arg(src, Npt(phrase.FBegin), Npt(phrase.FEnd), ParId(s, p));
        out += QStringLiteral("</par>\n");
    }
    return out + QStringLiteral("</seq>\n</body>\n</smil>\n");
}

QString Ncc(const TBookPlan& plan) {
    QString out = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n<head>\n"
                                 "<meta http-equiv=\"Content-type\" content=\"text/html; charset=utf-8\"/>\n"
                                 "<title>%1</title>\n<meta name=\"dc:title\" content=\"%1\"/>\n"
                                 "<meta name=\"dc:creator\" content=\"%2\"/>\n"
                                 "<meta name=\"dc:format\" content=\"Daisy 2.02\"/>\n</head>\n<body>\n")
                      .arg(Escaped(plan.FTitle), Escaped(plan.FCreator));
    int id = 0;
    for (std::size_t s = 0; s < plan.FSections.size(); ++s) {
        const TBookSection& section = plan.FSections[s];
        out += QStringLiteral("<h%1 id=\"n%2\"><a href=\"%3#%4\">%5</a></h%1>\n")
                   .arg(section.FLevel)
                   .arg(++id)
                   .arg(SmilName(s), ParId(s, 0), Escaped(section.FHeading));
        for (std::size_t p = 0; p < section.FPhrases.size(); ++p) {
            const TBookPhrase& phrase = section.FPhrases[p];
            if (phrase.FPage.isEmpty())
                continue;
            out += QStringLiteral("<span class=\"%1\" id=\"n%2\"><a href=\"%3#%4\">%5</a></span>\n")
                       .arg(QLatin1String(PageClass(phrase.FPageKind)))
                       .arg(++id)
                       .arg(SmilName(s), ParId(s, p), Escaped(phrase.FPage));
        }
    }
    return out + QStringLiteral("</body>\n</html>\n");
}

QString Package(const TBookPlan& plan) {
    QString out =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<package xmlns=\"http://openebook.org/namespaces/oeb-package/1.0/\" "
                       "unique-identifier=\"uid\">\n<metadata>\n"
                       "<dc-metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
                       "<dc:Title>%1</dc:Title>\n<dc:Creator>%2</dc:Creator>\n"
                       "<dc:Format>ANSI/NISO Z39.86-2005</dc:Format>\n"
                       "<dc:Identifier id=\"uid\">generated</dc:Identifier>\n</dc-metadata>\n"
                       "</metadata>\n<manifest>\n"
                       "<item id=\"ncx\" href=\"book.ncx\" media-type=\"application/x-dtbncx+xml\"/>\n")
            .arg(Escaped(plan.FTitle), Escaped(plan.FCreator));
    for (std::size_t s = 0; s < plan.FSections.size(); ++s)
        out += QStringLiteral("<item id=\"smil%1\" href=\"%2\" media-type=\"application/smil\"/>\n")
                   .arg(s + 1)
                   .arg(SmilName(s));
    out += QStringLiteral("</manifest>\n<spine>\n");
    for (std::size_t s = 0; s < plan.FSections.size(); ++s)
        out += QStringLiteral("<itemref idref=\"smil%1\"/>\n").arg(s + 1);
    return out + QStringLiteral("</spine>\n</package>\n");
}

QString Ncx(const TBookPlan& plan) {
    QString out =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\">\n"
                       "<head><smilCustomTest id=\"pagenum\" bookStruct=\"PAGE_NUMBER\"/></head>\n"
                       "<docTitle><text>%1</text></docTitle>\n<docAuthor><text>%2</text></docAuthor>\n"
                       "<navMap>\n")
            .arg(Escaped(plan.FTitle), Escaped(plan.FCreator));
    int open = 0; // the level of the innermost open navPoint
    int order = 0;
    for (std::size_t s = 0; s < plan.FSections.size(); ++s) {
        const TBookSection& section = plan.FSections[s];
        for (; open >= section.FLevel; --open)
            out += QStringLiteral("</navPoint>\n");
        // A deeper level than the next one opens as it is: the NCX nests it one step down.
        out += QStringLiteral("<navPoint id=\"nav%1\" playOrder=\"%2\"><navLabel><text>%3</text></navLabel>"
                              "<content src=\"%4#%5\"/>\n")
                   .arg(s + 1)
                   .arg(++order)
                   .arg(Escaped(section.FHeading), SmilName(s), ParId(s, 0));
        ++open;
    }
    for (; open > 0; --open)
        out += QStringLiteral("</navPoint>\n");
    out += QStringLiteral("</navMap>\n<pageList>\n");
    for (std::size_t s = 0; s < plan.FSections.size(); ++s) {
        for (std::size_t p = 0; p < plan.FSections[s].FPhrases.size(); ++p) {
            const TBookPhrase& phrase = plan.FSections[s].FPhrases[p];
            if (phrase.FPage.isEmpty())
                continue;
            out +=
                QStringLiteral("<pageTarget id=\"pg%1\" type=\"%2\" value=\"%3\" playOrder=\"%4\">"
                               "<navLabel><text>%3</text></navLabel><content src=\"%5#%6\"/></pageTarget>\n")
                    .arg(ParId(s, p), QLatin1String(PageType(phrase.FPageKind)), Escaped(phrase.FPage))
                    .arg(++order)
                    .arg(SmilName(s), ParId(s, p));
        }
    }
    return out + QStringLiteral("</pageList>\n</ncx>\n");
}

} // namespace

bool WriteDaisyBook(const QString& folder, const TBookPlan& plan) {
    const QDir dir(folder);
    for (const TBookAudio& audio : plan.FAudio) {
        const QString path = dir.filePath(audio.FName);
        if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !WriteToneWav(path, audio.FSeconds))
            return false;
    }
    for (std::size_t s = 0; s < plan.FSections.size(); ++s)
        if (!WriteText(dir.filePath(SmilName(s)), Smil(plan, s)))
            return false;
    if (plan.FFormat == TBookFormat::Daisy202)
        return WriteText(dir.filePath(QStringLiteral("ncc.html")), Ncc(plan));
    return WriteText(dir.filePath(QStringLiteral("book.opf")), Package(plan)) &&
           WriteText(dir.filePath(QStringLiteral("book.ncx")), Ncx(plan));
}

TBookPlan SampleBookPlan(TBookFormat format) {
    TBookPlan plan;
    plan.FFormat = format;
    plan.FTitle = QStringLiteral("Il libro di prova");
    plan.FCreator = QStringLiteral("Ana Pérez");
    // "main.wav" is cut into clips over two sections; the others hold one section each.
    plan.FAudio = {{QStringLiteral("main.wav"), 6.0},
                   {QStringLiteral("audio/front.wav"), 3.0},
                   {QStringLiteral("notes.wav"), 4.0}};
    using P = TBookPart;
    plan.FSections = {
        {1,
         QStringLiteral("Prefazione"),
         {{1, 0.0, 1.0, P::PageNumber, QStringLiteral("iv"), TBookPageKind::Front},
          {1, 1.0, 3.0, P::Text, {}, {}}}},
        {1,
         QStringLiteral("Capitolo 1"),
         {{0, 0.0, 0.5, P::PageNumber, QStringLiteral("1"), TBookPageKind::Normal},
          {0, 0.5, 1.5, P::Text, {}, {}},
          {0, 1.5, 2.0, P::NoteReference, {}, {}},
          {2, 0.0, 1.0, P::Note, {}, {}},
          {0, 2.0, 3.0, P::Text, {}, {}}}},
        {2,
         QStringLiteral("Sezione 1.1"),
         {{0, 3.0, 4.0, P::Text, {}, {}},
          {0, 4.0, 4.5, P::PageNumber, QStringLiteral("2"), TBookPageKind::Normal},
          {2, 1.0, 2.5, P::ProducerNote, {}, {}}}},
        {3, QStringLiteral("Sezione 1.1.1"), {{0, 4.5, 6.0, P::Text, {}, {}}}},
        {1,
         QStringLiteral("Capitolo 2"),
         {{2, 2.5, 3.0, P::Sidebar, {}, {}},
          {2, 3.0, 4.0, P::PageNumber, QStringLiteral("A-1"), TBookPageKind::Special}}},
    };
    return plan;
}

TBookPlan LargeBookPlan(TBookFormat format, int sections, int phrases, double hours, int audioFiles) {
    TBookPlan plan;
    plan.FFormat = format;
    plan.FTitle = QStringLiteral("Libro lungo");
    plan.FCreator = QStringLiteral("Generatore");
    for (int a = 0; a < audioFiles; ++a)
        plan.FAudio.push_back({QStringLiteral("audio%1.wav").arg(a + 1, 3, 10, QLatin1Char('0')), 0.1});
    const int perSection = std::max(1, phrases / std::max(1, sections));
    const double phraseSeconds = hours * 3600 / (double(perSection) * sections);
    std::vector<double> used(std::size_t(std::max(1, audioFiles)), 0.0);
    static const int levels[] = {1, 2, 2, 3};
    for (int s = 0; s < sections; ++s) {
        TBookSection section{levels[s % 4], QStringLiteral("Parte %1").arg(s + 1), {}};
        const int audio = audioFiles > 0 ? s % audioFiles : 0;
        double& at = used[std::size_t(audio)];
        for (int p = 0; p < perSection; ++p) {
            TBookPhrase phrase{audio, at, at + phraseSeconds, TBookPart::Text, {}, TBookPageKind::Normal};
            if (p == 0) {
                phrase.FPart = TBookPart::PageNumber;
                phrase.FPage = QString::number(s + 1);
            }
            at += phraseSeconds;
            section.FPhrases.push_back(phrase);
        }
        plan.FSections.push_back(std::move(section));
    }
    return plan;
}
