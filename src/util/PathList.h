#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <iterator>
#include <utility>
#include <vector>

/// The track list's paths, each kept as the bytes the system names the file by (UTF-8, with the bytes
/// of a name that is not text given back as they were): a large tree lists a hundred thousand of
/// them, and as QStrings they would take twice the room. Reads give each path as a QString made on
/// demand, the same text that was put in. Copies share the paths, as QStringList's do.
class TPathList {
public:
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = QString;
        using difference_type = qsizetype;
        using pointer = void;
        using reference = QString;

        const_iterator() = default;
        QString operator*() const { return Decode(*FAt); }
        const_iterator& operator++() {
            ++FAt;
            return *this;
        }
        const_iterator operator++(int) { return const_iterator(FAt++); }
        bool operator==(const const_iterator& other) const = default;

    private:
        friend class TPathList;
        explicit const_iterator(QList<QByteArray>::const_iterator at) : FAt(at) {}
        QList<QByteArray>::const_iterator FAt;
    };

    TPathList() = default;
    explicit TPathList(const QStringList& paths) { append(paths); }
    TPathList(std::initializer_list<QString> paths) {
        for (const QString& path : paths)
            append(path);
    }

    qsizetype size() const { return FPaths.size(); }
    bool isEmpty() const { return FPaths.isEmpty(); }
    /// The path at i, which must be inside the list.
    QString at(qsizetype i) const { return Decode(FPaths.at(i)); }
    QString operator[](qsizetype i) const { return at(i); }
    /// The path at i; empty when i is outside the list.
    QString value(qsizetype i) const { return i >= 0 && i < size() ? at(i) : QString(); }
    QString first() const { return at(0); }
    QString last() const { return at(size() - 1); }
    /// The first place of path, from `from` on; -1 when it is not there.
    qsizetype indexOf(const QString& path, qsizetype from = 0) const;
    bool contains(const QString& path) const { return indexOf(path) >= 0; }

    void append(const QString& path) { FPaths.append(Encode(path)); }
    void append(const QStringList& paths);
    void append(const TPathList& paths) { FPaths.append(paths.FPaths); }
    void append(TPathList&& paths) {
        if (FPaths.isEmpty())
            FPaths = std::move(paths.FPaths);
        else
            FPaths.append(paths.FPaths);
    }
    void clear() { FPaths.clear(); }
    /// The paths from first on, count of them (-1: to the end); they are shared, not copied.
    TPathList mid(qsizetype first, qsizetype count = -1) const;
    QStringList ToStringList() const;
    /// The paths in order: the i-th is the one at order[i] here; each index must be inside the list.
    TPathList Reordered(const std::vector<int>& order) const;
    /// The path at i as stored; i must be inside the list.
    const QByteArray& BytesAt(qsizetype i) const { return FPaths.at(i); }
    /// A path as the list stores it, holding just its bytes; never fails.
    static QByteArray Encode(const QString& path);

    const_iterator begin() const { return const_iterator(FPaths.cbegin()); }
    const_iterator end() const { return const_iterator(FPaths.cend()); }

private:
    static QString Decode(const QByteArray& bytes);

    QList<QByteArray> FPaths;
};
