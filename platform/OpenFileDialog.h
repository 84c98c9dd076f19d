#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

// The open-file dialog: a title, name filters, and the full path of the last confirmed choice.
// Showing the dialog does not change that choice; the caller confirms it once it has used the
// file, so a cancelled dialog gives back the last file that was used.
class OpenFileDialog final {
public:
    // Shows the choice modally; returns the chosen path, or nullopt when cancelled.
    using Chooser = std::function<std::optional<QString>(QWidget *parent, const QString &title,
                                                         const QStringList &nameFilters)>;

    // Qt's own dialog unless another chooser is given.
    explicit OpenFileDialog(Chooser chooser = {});

    void setTitle(const QString &title) { m_title = title; }

    // Qt name filters. Only what comes before a filter's last parenthesised group is shown,
    // so a caption can name other patterns than those it matches: "Tutti i file (*.*) (*)"
    // shows "Tutti i file (*.*)" and lists every file, with a dot in its name or not.
    void setNameFilters(const QStringList &filters) { m_nameFilters = filters; }

    // Modal; returns the path chosen, or nullopt when the dialog was cancelled.
    std::optional<QString> choose(QWidget *parent) const;

    // The last confirmed choice, where the dialog opens next time.
    void confirmChoice(const QString &path) { m_fileName = path; }

private:
    std::optional<QString> runQtDialog(QWidget *parent) const;

    QString m_title;
    QStringList m_nameFilters;
    QString m_fileName;
    Chooser m_chooser;
};
