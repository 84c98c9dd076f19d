#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

// The open-file dialog: a title, a filter in "Description|pattern|Description|pattern" form,
// and the full path and bare name of the last file chosen. Cancelling keeps the last choice.
class OpenFileDialog final {
public:
    // Shows the choice modally; returns the chosen path, or nullopt when cancelled.
    using Chooser = std::function<std::optional<QString>(QWidget *parent, const QString &title,
                                                         const QStringList &filters)>;

    OpenFileDialog();

    void setTitle(const QString &title);
    QString title() const { return m_title; }
    void setFilter(const QString &vbFilter);
    QStringList filters() const { return qtFilters(m_filter); }

    // Modal; returns once the dialog is closed. Returns whether a file was chosen.
    bool showOpen(QWidget *parent);

    QString fileName() const { return m_fileName; }
    QString fileTitle() const { return m_fileTitle; }
    // Takes back a choice the program could not use, so that the next cancel reads the file in
    // force rather than the one that failed.
    void restoreChoice(const QString &fileName, const QString &fileTitle)
    {
        m_fileName = fileName;
        m_fileTitle = fileTitle;
    }

    void setChooser(Chooser chooser);

    // "File Tabella (*.tbl)|*.tbl|Tutti i file (*.*)|*.*" -> Qt name filters, the pattern of
    // each pair in parentheses after its description; "*.*" becomes "*" so every file shows.
    static QStringList qtFilters(const QString &vbFilter);

private:
    std::optional<QString> runQtDialog(QWidget *parent, const QString &title,
                                       const QStringList &filters) const;

    QString m_title;
    QString m_filter;
    QString m_fileName;
    QString m_fileTitle;
    Chooser m_chooser;
};
