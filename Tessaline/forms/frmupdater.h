#pragma once

#include <QByteArray>
#include <QDialog>
#include <QUrl>

#include <memory>

namespace Ui
{
class FrmUpdater;
}
class FileDownloader;
class UserPrompts;

// The self-updater: asks the update server whether a build newer than this one exists, shows its release
// notes, downloads the package on "Start" and checks its CRC-32 trailer. A verified package is kept in
// memory only; the main window then closes and sends the user to the server's download page. Interactive
// checks report "up to date" and every failure; automatic ones speak only when there is something new.
// All network work runs on the GUI thread through the downloaders' signals.
class FrmUpdater : public QDialog
{
    Q_OBJECT
public:
    // `prompts`: the window's message boxes; the window may replace them, so the current ones are asked.
    explicit FrmUpdater(const std::unique_ptr<UserPrompts> &prompts, QWidget *parent = nullptr);
    ~FrmUpdater() override;

    // The folder of "version", "description", "content" and "download.html": TESSALINE_UPDATE_SERVER when
    // set, else the setting "updateBaseUrl", else the maker's server. Always ends in '/'.
    static QUrl configuredBaseUrl();
    QUrl baseUrl() const { return m_baseUrl; }
    void setBaseUrl(const QUrl &baseUrl);
    QUrl downloadPageUrl() const;
    // How long a download may receive nothing before it is given up (30 s unless set).
    void setStallTimeout(int ms) { m_stallTimeoutMs = ms; }

    void checkForUpdates(bool interactive);
    // True while the server's answer to a check is awaited.
    bool checking() const;
    // The verified package without its trailer; empty until a download passed the check.
    bool hasPackage() const { return !m_package.isEmpty(); }
    const QByteArray &package() const { return m_package; }

public slots:
    void downloaded_version();
    void downloaded_description();
    void downloaded_content();
    void on_bStart_clicked();
    void on_bAbort_clicked();

public:
    // Connected by hand: a slot named on_<x> would send the designer's auto-connection looking for a widget x.
    void on_downloadProgress(qint64 bytesReceived, qint64 bytesTotal);

protected:
    // Every way the dialog closes ("Abort", the window's close button, a finished download) ends here.
    void done(int result) override;

private:
    // Deleted later, never inside their own signal; what they still say is not heard any more. They are
    // also children of the dialog, which deletes the ones still waiting when it goes.
    struct DeleteLater {
        void operator()(FileDownloader *downloader) const;
    };
    using Downloader = std::unique_ptr<FileDownloader, DeleteLater>;

    Downloader download(const QString &fileName, void (FrmUpdater::*whenDone)());
    void showReadyToStart();
    void packageDialogFinished(int result);
    void report(const QString &text, const QString &informative = QString());
    void inform(const QString &text);

    std::unique_ptr<Ui::FrmUpdater> ui;
    const std::unique_ptr<UserPrompts> &m_prompts;
    QUrl m_baseUrl;
    int m_stallTimeoutMs;
    bool m_interactive = false;
    Downloader m_versionDownloader;
    Downloader m_descriptionDownloader;
    Downloader m_contentDownloader;
    QByteArray m_package;
};
