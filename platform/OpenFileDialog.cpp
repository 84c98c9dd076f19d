#include "OpenFileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

OpenFileDialog::OpenFileDialog() = default;

void OpenFileDialog::setTitle(const QString &title)
{
    m_title = title;
}

void OpenFileDialog::setFilter(const QString &vbFilter)
{
    // Turned into Qt's form only when the dialog is shown: the window sets it while starting.
    m_filter = vbFilter;
}

void OpenFileDialog::setChooser(Chooser chooser)
{
    m_chooser = std::move(chooser);
}

bool OpenFileDialog::showOpen(QWidget *parent)
{
    const QStringList nameFilters = filters();
    const std::optional<QString> chosen = m_chooser ? m_chooser(parent, m_title, nameFilters)
                                                    : runQtDialog(parent, m_title, nameFilters);
    if (!chosen || chosen->isEmpty())
        return false;
    m_fileName = *chosen;
    m_fileTitle = QFileInfo(*chosen).fileName();
    return true;
}

QStringList OpenFileDialog::qtFilters(const QString &vbFilter)
{
    // Qt reads a filter's patterns from the parenthesised group that ends its text, so that
    // group must hold the patterns themselves. "*.*" means every file, but in Qt it would
    // only match names with a dot.
    static const QRegularExpression trailingGroup(u"\\s*\\([^()]*\\)\\s*$"_s);

    const QStringList parts = vbFilter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString &pattern : parts.at(i + 1).split(u';', Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            if (trimmed.isEmpty())
                continue;
            patterns.append(trimmed == "*.*"_L1 ? u"*"_s : trimmed);
        }
        if (patterns.isEmpty())
            continue;
        patterns.removeDuplicates();

        QString description = parts.at(i).trimmed();
        description.remove(trailingGroup);
        const QString group = u'(' + patterns.join(u' ') + u')';
        filters.append(description.isEmpty() ? group : description + u' ' + group);
    }
    return filters;
}

std::optional<QString> OpenFileDialog::runQtDialog(QWidget *parent, const QString &title,
                                                   const QStringList &filters) const
{
    // Qt's own dialog, not the desktop's: the same everywhere, translated with Qt, and
    // drivable from the keyboard by typing a path into the file name field.
    QFileDialog dialog(parent, title);
    dialog.setObjectName(u"OpenFileDialog"_s);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.constFirst());
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
