#include "platform/ProcessIconProvider.h"

#include <QAbstractFileIconProvider>
#include <QFileInfo>
#include <QGuiApplication>

namespace {

class DesktopIconProvider final : public ProcessIconProvider {
public:
    QIcon iconForPath(const QString& path) override
    {
        if (path.isEmpty() || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return {};
        const QFileInfo info(path);
        if (!info.exists())
            return {};
        // Applications install their icon under their program's name
        // (firefox-esr, code, gimp), which beats the generic executable icon.
        if (info.isFile() && info.isExecutable()) {
            const QString name = info.fileName();
            if (QIcon::hasThemeIcon(name))
                return QIcon::fromTheme(name);
        }
        return m_files.icon(info);
    }

private:
    QAbstractFileIconProvider m_files;
};

} // namespace

ProcessIconProvider& ProcessIconProvider::system()
{
    static DesktopIconProvider provider;
    return provider;
}
