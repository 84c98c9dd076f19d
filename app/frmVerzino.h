#pragma once

#include "CharacterTable.h"
#include "Keystroke.h"
#include "OpenFileDialog.h"

#include <QMainWindow>

#include <optional>

class FileDropTarget;
class LineBox;
class QAction;
class QCheckBox;
class QCloseEvent;
class QLabel;
class QLineEdit;
class QMenu;
class ReadProgress;
class Shape;
class StatusBar;
class UpDown;

// The program's one window: the line box, the limit with its spinner and marker, the two
// Enter options, the menus and the status line, and the table in force.
class frmVerzino final : public QMainWindow {
    Q_OBJECT

public:
    explicit frmVerzino(QWidget *parent = nullptr);
    ~frmVerzino() override;

    const QString &fileTabella() const { return FileTabella; }
    const QString &nomeTabella() const { return NomeTabella; }
    const CharacterTable &vociTabella() const { return VociTabella; }
    OpenFileDialog &commonDialog1() { return CommonDialog1; }

    // Reads the files in order as if each had been chosen in the Apri Tabella dialog, each
    // merging over the last; stops at the first that cannot be read.
    void openTables(const QStringList &paths);

    // The window's client area below the menu bar; every control's Left/Top counts from it.
    QWidget *clientArea() const { return m_client; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createMenus();
    void createControls();
    void createStatusBar();
    void fitCaptions();
    void setFocusOrder();
    void connectHandlers();

    void mnuApriT_Click();
    void mnuEsci_Click();
    void mnuInfo_Click();
    bool CaricaTabella();

    KeystrokeAction rtbRiga_KeyPress(qint16 code) const;
    void rtbRiga_Enter();
    void txtLimite_Change();
    void UpDown1_UpClick();
    void UpDown1_DownClick();

    QString FileTabella;
    QString NomeTabella;
    CharacterTable VociTabella;

    QWidget *m_client = nullptr;
    QMenu *mnuFile = nullptr;
    QAction *mnuApriT = nullptr;
    QAction *mnuEsci = nullptr;
    QMenu *mnuAiuto = nullptr;
    QAction *mnuInfo = nullptr;
    StatusBar *SB = nullptr;
    LineBox *rtbRiga = nullptr;
    QCheckBox *chkAppunti = nullptr;
    QLineEdit *txtLimite = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QCheckBox *chkSvuota = nullptr;
    UpDown *UpDown1 = nullptr;
    Shape *shpLimite = nullptr;
    OpenFileDialog CommonDialog1;
    FileDropTarget *m_fileDrops = nullptr;

    // The table reading in progress, if any.
    ReadProgress *m_reading = nullptr;
};
