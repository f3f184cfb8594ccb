#pragma once

#include <cstddef>
#include <string>
#include <vector>

class QSettings;

// The most recently opened files, newest first, kept in the settings store
// under "Recent File List" as "File1" to "File4".
class RecentFileList {
public:
    static constexpr std::size_t kSize = 4;

    void Load(QSettings& store);
    void Save(QSettings& store) const;
    // Moves the path to the top, dropping the oldest beyond the size.
    void Add(const std::string& path);
    const std::vector<std::string>& Paths() const { return m_paths; }

private:
    std::vector<std::string> m_paths;
};
