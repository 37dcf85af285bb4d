#pragma once

#include <QString>

#include <array>
#include <cstddef>

/// One text in both languages, UTF-8.
struct Wording {
    const char* italian;
    const char* spanish;
};

/// The wording the language picks: Spanish for 2, Italian otherwise.
QString InLanguage(const Wording& wording, int language);

/// The texts of one family, one row per value of Id in Id's order; whoever defines a table checks
/// the order at compile time with static_assert(table.InIdOrder()).
template <class Id, std::size_t N> struct TextTable {
    struct Row {
        Id id;
        Wording wording;
    };
    std::array<Row, N> rows;

    constexpr bool InIdOrder() const {
        for (std::size_t i = 0; i < N; ++i)
            if (static_cast<std::size_t>(rows[i].id) != i)
                return false;
        return true;
    }
    /// Empty for an id outside the table.
    QString operator()(Id id, int language) const {
        const auto index = static_cast<std::size_t>(id);
        return index < N ? InLanguage(rows[index].wording, language) : QString();
    }
};
