#pragma once

#include "daisy/DaisyBook.h"
#include "daisy/DaisyReader.h"

#include "DaisyBookWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

inline void PrintTo(const TDaisyProblem& problem, std::ostream* out) {
    *out << "{" << int(problem.FCode) << ", " << problem.FItem.toStdString() << "}";
}

/// A temporary folder for books, their files written by hand or by the generator.
class DaisyBookFolder : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }

    QString Path(const QString& name) const { return FDir.filePath(name); }

    void Put(const QString& name, const QByteArray& bytes) const {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(Path(name)).absolutePath()));
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << name.toStdString();
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    /// The book at name (a folder below the temporary one, or a file), which must be one.
    TDaisyBook Read(const QString& name = QString(), const TDaisyReadOptions& options = {}) const {
        const std::optional<TDaisyBook> book =
            ReadDaisyBook(name.isEmpty() ? FDir.path() : Path(name), options);
        EXPECT_TRUE(book.has_value()) << name.toStdString();
        return book.value_or(TDaisyBook());
    }

    static bool HasProblem(const TDaisyBook& book, TDaisyProblemCode code, const QString& item) {
        return std::find(book.FProblems.begin(), book.FProblems.end(), TDaisyProblem{code, item}) !=
               book.FProblems.end();
    }

    static std::vector<QString> HeadingTexts(const TDaisyBook& book) {
        std::vector<QString> texts;
        for (const TDaisyHeading& heading : book.FHeadings)
            texts.push_back(heading.FText);
        return texts;
    }

    QTemporaryDir FDir;
};

/// A 2.02 SMIL file of one seq holding the given pars.
inline QByteArray Smil202(const QByteArray& pars) {
    return "<?xml version=\"1.0\"?>\n<smil><head/><body><seq>" + pars + "</seq></body></smil>\n";
}

/// A 2.02 par of one audio clip.
inline QByteArray Par202(const QByteArray& id, const QByteArray& src, const QByteArray& begin,
                         const QByteArray& end, const QByteArray& extra = {}) {
    return "<par id=\"" + id + "\"" + extra + "><text src=\"t.html#" + id + "t\" id=\"" + id +
           "t\"/><audio src=\"" + src + "\" clip-begin=\"npt=" + begin + "s\" clip-end=\"npt=" + end +
           "s\"/></par>";
}

/// A well-formed ncc.html whose body is given.
inline QByteArray Ncc202(const QByteArray& body, const QByteArray& title = "Titolo") {
    return "<html><head><meta name=\"dc:title\" content=\"" + title + "\"/></head><body>" + body +
           "</body></html>";
}
