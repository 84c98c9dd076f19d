#pragma once

#include "OpenFileDialog.h"
#include "TableSession.h"

#include <QByteArrayList>
#include <QMainWindow>

#include <memory>

class FileDropTarget;
class HeldInput;
class LimitSpinner;
class LineBox;
class QAction;
class QCheckBox;
class QCloseEvent;
class QLabel;
class ReadProgress;
class Shape;
class StatusBar;

// The program's one window: the line box, the limit with its spinner and marker, the two
// Enter options, the menus and the status line, over the table session.
//
// The design's names are the controls' object names: frmVerzino (this window), mnuFile,
// mnuApriT, mnuEsci, mnuAiuto, mnuInfo, rtbRiga (m_lineBox), chkAppunti (m_copyOnEnter),
// Label1 (m_lineLabel), Label2 (m_limitLabel), chkSvuota (m_clearOnEnter), UpDown1
// (m_limitSpinner, with its field txtLimite), shpLimite (m_limitMarker), SB (m_statusBar), and
// clientArea, the area below the menu bar that every control's Left and Top count from.
// CommonDialog1 is m_openDialog, CaricaTabella is openTables(), VociTabella, FileTabella and
// NomeTabella live in m_session.
class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    // The open dialog's choice and the reading of a file are Qt's dialog and readTableFile
    // unless others are given.
    explicit MainWindow(OpenFileDialog::Chooser chooser = {},
                        TableSession::ReadFunction read = readTableFile);
    ~MainWindow() override;

    // Reads the files one after another, each merged over the last, exactly as if each had been
    // chosen in the Apri Tabella dialog; stops at the first that cannot be read or is cancelled.
    // Returns at once: the reading runs on a worker thread. Ignored while a reading runs;
    // meanwhile Apri Tabella... is greyed and drops are refused. A path is the bytes the system
    // knows the file by, which need not be UTF-8.
    void openTables(const QByteArrayList &paths);
    void openTable(const QByteArray &path) { openTables({path}); }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMenus();
    void createControls();
    void createStatusBar();
    void layOutControls();
    void setFocusOrder();
    void connectHandlers();

    void chooseTable();
    void showAbout();
    void setLoading(bool loading);
    void loadNextTable();
    void onTableLoadFinished(const TableReadResult &result);

    void onEnterPressed();
    void onLimitChanged(int limit);

    TableSession m_session;
    OpenFileDialog m_openDialog;

    QWidget *m_client = nullptr;
    QAction *m_openTableAction = nullptr;
    QAction *m_exitAction = nullptr;
    QAction *m_aboutAction = nullptr;
    StatusBar *m_statusBar = nullptr;
    LineBox *m_lineBox = nullptr;
    QCheckBox *m_copyOnEnter = nullptr;
    QLabel *m_lineLabel = nullptr;
    QLabel *m_limitLabel = nullptr;
    QCheckBox *m_clearOnEnter = nullptr;
    LimitSpinner *m_limitSpinner = nullptr;
    Shape *m_limitMarker = nullptr;

    // While a reading runs: the files still to read, the keys typed into the line box, and the
    // progress dialog once it is due.
    bool m_loading = false;
    FileDropTarget *m_drops = nullptr;
    QByteArrayList m_pendingTables;
    HeldInput *m_heldKeys = nullptr;
    std::unique_ptr<ReadProgress> m_progress;
};
