#include "platform/framework/CUiResource.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

#include "platform/config/QLLog.h"
#include "platform/framework/CDefaultTheme.h"
#include "platform/framework/CPicturePainter.h"
#include "platform/framework/CUiResourceChangeHandler.h"

namespace KW {

namespace {
// Process-wide so a handler id is never reused, even across a released store.
std::atomic<quint64> s_nextHandlerId{1};
} // namespace

CUiResource* CUiResource::instance()
{
    return utils::CSingletonT<CUiResource>::instance();
}

CUiResource::CUiResource()
{
    m_themeName = CDefaultTheme::defaultThemeName();
    CDefaultTheme::build(m_themeName, m_table);
}

const CThemeEntry* CUiResource::lookup(const QString& key, CThemeEntry::EKind kind) const
{
    auto it = m_table.constFind(key);
    if (it == m_table.constEnd()) {
        warnOnce(key, "unknown resource key");
        return nullptr;
    }
    if (it->kind != kind) {
        warnOnce(key, "resource key asked as the wrong kind");
        return nullptr;
    }
    return &it.value();
}

void CUiResource::warnOnce(const QString& key, const char* why) const
{
    if (m_warnedKeys.contains(key))
        return;
    m_warnedKeys.insert(key);
    QLLOG_WARN(qlog::kStdLogger, "%1%:%2%, theme:%3%", why, key, m_themeName);
}

int CUiResource::scaled(int value) const
{
    return static_cast<int>(std::lround(value * m_scale));
}

QColor CUiResource::getColor(const QString& key) const
{
    const CThemeEntry* e = lookup(key, CThemeEntry::Colour);
    return e ? e->colour : CDefaultTheme::fallbackColour();
}

QFont CUiResource::getFont(const QString& key) const
{
    const CThemeEntry* e = lookup(key, CThemeEntry::Font);
    QFont f = e ? e->font : CDefaultTheme::fallbackFont();
    if (f.pixelSize() > 0)
        f.setPixelSize(std::max(1, scaled(f.pixelSize())));
    return f;
}

int CUiResource::getSize(const QString& key) const
{
    const CThemeEntry* e = lookup(key, CThemeEntry::Size);
    return e ? scaled(e->size) : 0;
}

QPixmap CUiResource::getPixmap(const QString& key) const
{
    auto cached = m_pixmapCache.constFind(key);
    if (cached != m_pixmapCache.constEnd())
        return cached.value();

    const CThemeEntry* e = lookup(key, CThemeEntry::Picture);
    if (!e)
        return QPixmap();

    QPixmap pm;
    if (!e->imageFile.isEmpty()) {
        pm.load(e->imageFile);
        if (pm.isNull())
            QLLOG_WARN(qlog::kStdLogger, "picture file unreadable:%1%, key:%2%", e->imageFile, key);
    } else {
        auto colourOf = [this](const QString& k) {
            if (k.isEmpty())
                return QColor();
            const CThemeEntry* c = lookup(k, CThemeEntry::Colour);
            return c ? c->colour : CDefaultTheme::fallbackColour();
        };
        pm = CPicturePainter::paint(e->shape, e->pictureSize, colourOf(e->foregroundKey),
                                    colourOf(e->backgroundKey));
    }
    m_pixmapCache.insert(key, pm);
    return pm;
}

bool CUiResource::hasKey(const QString& key) const
{
    return m_table.contains(key);
}

QStringList CUiResource::keys() const
{
    QStringList list = m_table.keys();
    list.sort();
    return list;
}

bool CUiResource::setTheme(const QString& name)
{
    QHash<QString, CThemeEntry> table;
    if (!CDefaultTheme::build(name, table)) {
        QLLOG_WARN(qlog::kStdLogger, "unknown theme:%1%, keeping:%2%", name, m_themeName);
        return false;
    }
    m_table.swap(table);
    m_themeName = name;
    m_pixmapCache.clear();
    QLLOG_INFO(qlog::kStdLogger, "theme:%1%", name);
    notify(ENotice::Theme);
    return true;
}

QString CUiResource::currentTheme() const
{
    return m_themeName;
}

QStringList CUiResource::themeNames() const
{
    return CDefaultTheme::themeNames();
}

void CUiResource::setScale(double factor)
{
    if (!std::isfinite(factor)) {
        QLLOG_WARN(qlog::kStdLogger, "invalid scale factor ignored");
        return;
    }
    const double f = std::min(CDefaultTheme::maxScale(), std::max(CDefaultTheme::minScale(), factor));
    if (f == m_scale)
        return;
    m_scale = f;
    notify(ENotice::Scale);
}

void CUiResource::setFixFont(const QFont& font)
{
    m_table.insert(QStringLiteral("fnt_default_normal_fix"), CThemeEntry::makeFont(font));
    notify(ENotice::FixFont);
}

quint64 CUiResource::registerHandler(CUiResourceChangeHandler* handler)
{
    const quint64 id = s_nextHandlerId.fetch_add(1);
    m_handlers.emplace(id, handler);
    return id;
}

void CUiResource::unregisterHandler(quint64 id)
{
    m_handlers.erase(id);
}

void CUiResource::notify(ENotice notice)
{
    // Handlers may be destroyed or created by another handler's reaction:
    // walk a snapshot of ids and skip the ones gone meanwhile. Handlers born
    // during the walk already read the new values when they were built.
    std::vector<quint64> ids;
    ids.reserve(m_handlers.size());
    for (const auto& h : m_handlers)
        ids.push_back(h.first);
    for (quint64 id : ids) {
        auto it = m_handlers.find(id);
        if (it == m_handlers.end())
            continue;
        CUiResourceChangeHandler* h = it->second;
        try {
            switch (notice) {
            case ENotice::Theme:
                h->themeChanged();
                break;
            case ENotice::Scale:
                h->scaleChanged();
                break;
            case ENotice::FixFont:
                h->setFixFont();
                break;
            }
        } catch (const std::exception& e) {
            QLLOG_ERROR(qlog::kStdLogger, "resource change handler failed:%1%", e.what());
        } catch (...) {
            QLLOG_ERROR(qlog::kStdLogger, "resource change handler failed");
        }
    }
}

} // namespace KW
