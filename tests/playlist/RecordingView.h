#pragma once

#include "PlaylistView.h"

#include <string>
#include <vector>

namespace playlist_test {

// An IPlaylistView that keeps its rows in memory and counts the changes made
// to it, so the model's effect on the view can be checked without Qt.
class RecordingView : public IPlaylistView {
public:
    struct Row {
        std::string number, fileName, dateTime, lock;
        int image = -1;  // -1: no image set
    };

    int GetRowCount() const override { return static_cast<int>(rows.size()); }

    void AppendRow(const std::string& number, const std::string& fileName,
                   const std::string& dateTime, const std::string& lock) override {
        ++changes;
        rows.push_back({number, fileName, dateTime, lock, -1});
    }

    void DeleteRow(int row) override {
        ++changes;
        rows.erase(rows.begin() + row);
    }

    void SetLockText(int row, const std::string& lock) override {
        ++changes;
        rows.at(static_cast<size_t>(row)).lock = lock;
    }

    void SetRowImage(int row, int image) override {
        ++changes;
        rows.at(static_cast<size_t>(row)).image = image;
    }

    std::vector<std::string> Numbers() const {
        std::vector<std::string> out;
        for (const Row& r : rows)
            out.push_back(r.number);
        return out;
    }

    std::vector<Row> rows;
    int changes = 0;
};

}  // namespace playlist_test
