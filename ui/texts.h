// Texts the program adds to the forms, each in the three languages. Every
// module keeps its own table of them, one row per text.
#pragma once

#include <QString>

#include <cstddef>

#include "sim/state.h"

namespace torv {

template <typename Key> struct TextRow {
    Key which;
    const char* russian;
    const char* german;
    const char* english;
};

// The text of `which` in the form's language (Sprache; German unless
// Russian or English).
template <typename Key, std::size_t N> QString textIn(const TextRow<Key> (&table)[N], Key which)
{
    for (const TextRow<Key>& row : table)
        if (row.which == which)
            return QString::fromUtf8(st.Sprache == 1 ? row.russian : st.Sprache == 3 ? row.english : row.german);
    return {};
}

} // namespace torv
