#include "CompletionListing.h"

#include <algorithm>

#include "completion/Unicode.h"

namespace rorirer {
namespace {

size_t columnsOf(const std::string& text) {
    return static_cast<size_t>(std::max(displayWidth(text), 0));
}

}  // namespace

std::string formatListing(const std::vector<std::string>& words, long long total, int columns,
                          int rows) {
    columns = std::max(columns, 10);
    rows = std::max(rows, 2);
    const long long available = std::min<long long>(total, static_cast<long long>(words.size()));

    size_t widest = 1;
    for (long long i = 0; i < available; ++i)
        widest = std::max(widest, columnsOf(words[static_cast<size_t>(i)]));
    const size_t cellWidth = widest + 2;
    const long long perRow = std::max<long long>(1, columns / static_cast<long long>(cellWidth));

    // When everything fits, use every row; otherwise keep the last row for
    // the count of what is left out.
    long long rowCount = (available + perRow - 1) / perRow;
    long long shown = available;
    if (rowCount > rows || available < total) {
        rowCount = std::min<long long>(rowCount, rows - 1);
        shown = std::min(available, rowCount * perRow);
    }
    // Fill down the columns, as a listing of files does, using no more
    // columns than the shown words need.
    const long long rowsUsed = std::max<long long>(1, (shown + perRow - 1) / perRow);

    std::string out;
    for (long long row = 0; row < rowsUsed && shown > 0; ++row) {
        std::string line;
        for (long long column = 0; column < perRow; ++column) {
            const long long index = column * rowsUsed + row;
            if (index >= shown) break;
            const std::string& word = words[static_cast<size_t>(index)];
            line += word;
            line.append(cellWidth - columnsOf(word), ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + "\n";
    }
    if (shown < total) out += "... and " + std::to_string(total - shown) + " more\n";
    return out;
}

}  // namespace rorirer
