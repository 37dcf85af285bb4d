#pragma once

#include "CoreFixture.h"
#include "DaisyBookWriter.h"

#include <QDir>

/// The player core over the fake control, with the generator's sample books to play.
class BookFixture : public CoreFixture {
protected:
    /// Writes the sample book in format below the temporary folder; returns its folder.
    QString WriteSample(const QString& relative, TBookFormat format = TBookFormat::Daisy202) {
        const QString folder = Root() + relative;
        EXPECT_TRUE(QDir().mkpath(folder));
        EXPECT_TRUE(WriteDaisyBook(folder, SampleBookPlan(format)));
        return folder;
    }
    /// The sample book's root file in folder.
    static QString RootFile(const QString& folder, TBookFormat format = TBookFormat::Daisy202) {
        return folder + (format == TBookFormat::Daisy202 ? "/ncc.html" : "/book.opf");
    }
    /// Starts on the sample book alone and lets it open.
    TPlayerCore& StartSample(TBookFormat format = TBookFormat::Daisy202) {
        book = RootFile(WriteSample("book", format), format);
        return Start({Root() + "book"});
    }

    QString book;
};
