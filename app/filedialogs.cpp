#include "app/filedialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QStringList>

namespace filedialogs {
namespace {
Hook &hook()
{
    static Hook h;
    return h;
}
} // namespace

QString getOpenFileName(QWidget *parent, const QString &filter, const QString &initialName)
{
    if (hook())
        return hook()(parent, filter, initialName);

    QFileDialog dialog(parent);
    // Qt's own dialog everywhere, so that the filter behaves the same on every
    // desktop and speaks the program's language.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    // "*.TXT" must also match "notes.txt".
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

void setHook(Hook h) { hook() = std::move(h); }

} // namespace filedialogs

QString RememberingFileDialog::show(QWidget *parent)
{
    const QString chosen = filedialogs::getOpenFileName(parent, m_filter, m_fileName);
    if (!chosen.isEmpty())
        m_fileName = chosen;
    return m_fileName;
}
