#include "recent_file_list.h"

#include <QSettings>

#include <algorithm>

namespace {

const QString kSection = QStringLiteral("Recent File List");

QString Key(std::size_t index)
{
    return QStringLiteral("File%1").arg(index + 1);
}

}  // namespace

void RecentFileList::Load(QSettings& store)
{
    m_paths.clear();
    store.beginGroup(kSection);
    for (std::size_t i = 0; i < kSize; ++i) {
        const std::string path = store.value(Key(i)).toString().toStdString();
        if (!path.empty() && std::find(m_paths.begin(), m_paths.end(), path) == m_paths.end())
            m_paths.push_back(path);
    }
    store.endGroup();
}

void RecentFileList::Save(QSettings& store) const
{
    store.beginGroup(kSection);
    for (std::size_t i = 0; i < kSize; ++i) {
        if (i < m_paths.size())
            store.setValue(Key(i), QString::fromStdString(m_paths[i]));
        else
            store.remove(Key(i));
    }
    store.endGroup();
    store.sync();
}

void RecentFileList::Add(const std::string& path)
{
    m_paths.erase(std::remove(m_paths.begin(), m_paths.end(), path), m_paths.end());
    m_paths.insert(m_paths.begin(), path);
    if (m_paths.size() > kSize)
        m_paths.resize(kSize);
}
