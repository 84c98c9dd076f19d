#include "OpenFileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>

using namespace Qt::StringLiterals;

namespace {

// Icons and type names from the file's name alone. Qt's own provider reads the first bytes of
// files whose names say too little, and a read can block for good (/proc/kmsg) or for long (a
// stalled network file system).
class NameOnlyIconProvider final : public QFileIconProvider {
public:
    using QFileIconProvider::icon;

    QIcon icon(const QFileInfo &info) const override
    {
        return QFileIconProvider::icon(info.isDir() ? Folder : File);
    }

    QString type(const QFileInfo &info) const override
    {
        if (info.isDir())
            return QFileIconProvider::type(info);
        return m_mimeTypes.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension)
            .comment();
    }

private:
    QMimeDatabase m_mimeTypes;
};

} // namespace

OpenFileDialog::OpenFileDialog(Chooser chooser) : m_chooser(std::move(chooser)) {}

std::optional<QString> OpenFileDialog::choose(QWidget *parent) const
{
    const std::optional<QString> chosen =
        m_chooser ? m_chooser(parent, m_title, m_nameFilters) : runQtDialog(parent);
    if (!chosen || chosen->isEmpty())
        return std::nullopt;
    return chosen;
}

std::optional<QString> OpenFileDialog::runQtDialog(QWidget *parent) const
{
    // Qt's own dialog, not the desktop's: the same everywhere, translated with Qt, and
    // drivable from the keyboard by typing a path into the file name field.
    // Declared first: the dialog's file system model uses it until the dialog is gone.
    NameOnlyIconProvider icons;
    QFileDialog dialog(parent, m_title);
    dialog.setObjectName(u"OpenFileDialog"_s);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setOption(QFileDialog::DontUseCustomDirectoryIcons);
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(m_nameFilters);
    if (!m_nameFilters.isEmpty())
        dialog.selectNameFilter(m_nameFilters.constFirst());
    if (!m_fileName.isEmpty())
        dialog.setDirectory(QFileInfo(m_fileName).absolutePath());
    else
        dialog.setDirectory(QDir::currentPath());

    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(chosen.constFirst());
}
