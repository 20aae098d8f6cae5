#pragma once

#include <cstddef>
#include <string>

// The user's settings file (config.ini), an INI text read and changed the way a person edits
// one: a value set changes that line only, and every other byte (comments, blank lines,
// line ends, a byte-order mark, text the player does not understand) stays as it was.
//
//   [Section]        section and key names are compared without regard to ASCII case
//   key = value      the value is the text after the first '=', without the spaces around
//   ; comment        it; backslashes, commas and quotes are not interpreted
//   # comment
//
// Lines before the first section, and lines that are neither a section, a comment nor
// "key=value", are kept and otherwise ignored. When a section occurs more than once, a
// key is looked up in all of them in file order; the first occurrence holds a new key.
class CSettingsFile {
public:
    // A larger file is left alone and the settings are the defaults.
    static constexpr size_t kMaxBytes = size_t(1) << 20;

    enum class LoadResult {
        Loaded,      // a regular file of at most kMaxBytes (also through a symbolic link)
        Missing,     // nothing there yet: Save creates the file
        NotRegular,  // a folder, FIFO, device or socket: left alone
        TooLarge,    // more than kMaxBytes: left alone
        Unreadable,  // cannot be opened or read: left alone
    };

    enum class SaveResult {
        Saved,      // written to a temporary file in the same folder and renamed over the file
        Unchanged,  // nothing was set to a new value: the file was not touched
        LeftAlone,  // not ours to write: see Load; or a symbolic link is at the path, or a
                    // file its owner may not write (read-only)
        Failed,     // the folder or the disk refused; the old file is as it was
    };

    // Reads `utf8Path` without blocking (a FIFO is never waited on) and only when it is a
    // regular file of at most kMaxBytes.
    LoadResult Load(const std::string& utf8Path);
    // Takes `text` as the file's contents (a parser fed from memory): Save has no file.
    void LoadText(std::string text);

    // The value of `key` in `section`; false when there is none (or the file was left alone).
    bool Get(const std::string& section, const std::string& key, std::string& value) const;
    // Sets `key` in `section` to `value`, changing that value only; a missing key is added
    // after the last key of its section, a missing section at the end of the text. False,
    // changing nothing, when the file is left alone or the names or the value cannot be one
    // INI line: empty names, line breaks, NUL, '=' in a key or ']' in a section name, or
    // spaces around any of them.
    bool Set(const std::string& section, const std::string& key, const std::string& value);

    bool IsModified() const { return m_text != m_loaded; }
    const std::string& Text() const { return m_text; }

    // Writes the text back when it changed: a temporary file is created exclusively in the
    // same folder with the old file's permissions, written, flushed to the disk and renamed
    // over the file, so a crash leaves the old file or the new one, never half a file. A
    // symbolic link at the path is neither written through nor replaced, and a read-only
    // file is not replaced (LeftAlone).
    SaveResult Save();

private:
    struct Line;
    bool LeftAlone() const;
    bool NextLine(size_t& at, Line& line) const;
    bool FindKey(const std::string& section, const std::string& key, Line& found) const;
    bool FindSectionEnd(const std::string& section, size_t& insertAt) const;
    void InsertLine(size_t at, const std::string& text);
    std::string LineEnd() const;

    std::string m_path;
    LoadResult m_state = LoadResult::Missing;
    std::string m_text;
    std::string m_loaded;  // the text as read, to know whether anything changed
};
