#pragma once

#include <string>

// What the playlist needs of the widget that shows it. Row i shows entry i.
// The Qt list view implements it; tests use a recording fake.
class IPlaylistView {
public:
    virtual ~IPlaylistView() = default;
    virtual int GetRowCount() const = 0;
    // Appends a row whose "No." column reads `number`, then the other texts.
    virtual void AppendRow(const std::string& number, const std::string& fileName,
                           const std::string& dateTime, const std::string& lock) = 0;
    virtual void DeleteRow(int row) = 0;
    virtual void SetLockText(int row, const std::string& lock) = 0;
    // Shows `image` in the row: kPadlockImage, or kNoImage to clear it. Rows start without
    // an image.
    virtual void SetRowImage(int row, int image) = 0;

    static constexpr int kNoImage = -1;
    static constexpr int kPadlockImage = 0;
};
