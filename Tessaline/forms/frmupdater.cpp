#include "forms/frmupdater.h"
#include "ui_frmupdater.h"

#include "common/ini.h"
#include "forms/filedownloader.h"
#include "forms/userprompts.h"
#include "tessalineversion.h"

#include <QtEndian>

#include <zlib.h>

namespace
{

const char *const defaultBaseUrl = "https://updates.vantoridge.com/update/win_dx/";
const char *const baseUrlVariable = "TESSALINE_UPDATE_SERVER";
const int trailerBytes = 4;

QUrl folderUrl(QString url)
{
    if (!url.endsWith('/'))
        url += '/';
    return QUrl(url);
}

// A package ends in the CRC-32 of everything before it, as a little-endian u32. True when it does; the
// trailer is then cut off. A trailer alone carries nothing to install and counts as corrupted.
bool stripVerifiedTrailer(QByteArray &package)
{
    if (package.size() <= trailerBytes)
        return false;
    const int bodySize = package.size() - trailerBytes;
    const auto *bytes = reinterpret_cast<const uchar *>(package.constData());
    const quint32 stored = qFromLittleEndian<quint32>(bytes + bodySize);
    const quint32 computed = quint32(crc32(crc32(0L, Z_NULL, 0), bytes, uInt(bodySize)));
    if (stored != computed)
        return false;
    package.truncate(bodySize);
    return true;
}

} // namespace

void FrmUpdater::DeleteLater::operator()(FileDownloader *downloader) const
{
    downloader->disconnect();
    downloader->deleteLater();
}

FrmUpdater::FrmUpdater(const std::unique_ptr<UserPrompts> &prompts, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmUpdater>()), m_prompts(prompts), m_baseUrl(configuredBaseUrl()),
      m_stallTimeoutMs(FileDownloader::defaultStallTimeoutMs)
{
    ui->setupUi(this);
    setModal(true);
}

FrmUpdater::~FrmUpdater() = default;

QUrl FrmUpdater::configuredBaseUrl()
{
    const QString fromEnvironment = qEnvironmentVariable(baseUrlVariable);
    if (!fromEnvironment.isEmpty())
        return folderUrl(fromEnvironment);
    return folderUrl(Ini::global().getString("updateBaseUrl", defaultBaseUrl));
}

void FrmUpdater::setBaseUrl(const QUrl &baseUrl)
{
    m_baseUrl = folderUrl(baseUrl.toString());
}

QUrl FrmUpdater::downloadPageUrl() const
{
    return m_baseUrl.resolved(QUrl("download.html"));
}

FrmUpdater::Downloader FrmUpdater::download(const QString &fileName, void (FrmUpdater::*whenDone)())
{
    Downloader downloader(new FileDownloader(m_baseUrl.resolved(QUrl(fileName)), this, m_stallTimeoutMs));
    connect(downloader.get(), &FileDownloader::downloaded, this, whenDone);
    return downloader;
}

void FrmUpdater::checkForUpdates(bool interactive)
{
    // A check while the news are on screen would pull the dialog away from under the user.
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    ui->mDescription->clear();
    m_interactive = interactive;
    m_versionDownloader = download("version", &FrmUpdater::downloaded_version);
    m_descriptionDownloader = download("description", &FrmUpdater::downloaded_description);
}

bool FrmUpdater::checking() const
{
    return m_versionDownloader && !m_versionDownloader->isFinished();
}

void FrmUpdater::downloaded_description()
{
    ui->mDescription->setPlainText(QString::fromUtf8(m_descriptionDownloader->downloadedData()));
}

void FrmUpdater::downloaded_version()
{
    bool numeric = false;
    const qlonglong newest = m_versionDownloader->downloadedData().trimmed().toLongLong(&numeric, 10);
    if (!numeric) {
        if (m_interactive)
            report("Unable to get version information from server.");
        return;
    }
    if (newest <= TessalineVersion::build) {
        if (m_interactive)
            inform("The local version is up to date.");
        return;
    }
    m_versionDownloader.reset();
    showReadyToStart();
    m_package.clear();
    open();
}

void FrmUpdater::showReadyToStart()
{
    ui->bStart->show();
    ui->bAbort->hide();
    ui->pbDownload->setRange(0, 100);
    ui->pbDownload->setValue(0);
}

void FrmUpdater::on_bStart_clicked()
{
    ui->bStart->hide();
    ui->bAbort->show();
    m_contentDownloader = download("content", &FrmUpdater::downloaded_content);
    connect(m_contentDownloader.get(), &FileDownloader::downloadProgress, this, &FrmUpdater::on_downloadProgress);
}

void FrmUpdater::on_bAbort_clicked()
{
    reject();
}

void FrmUpdater::on_downloadProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    // A server that does not say the size gets a busy bar rather than a division by nothing.
    if (bytesTotal <= 0) {
        ui->pbDownload->setRange(0, 0);
        return;
    }
    ui->pbDownload->setRange(0, 100);
    ui->pbDownload->setValue(int(bytesReceived * 100 / bytesTotal));
}

void FrmUpdater::downloaded_content()
{
    const FileDownloader &content = *m_contentDownloader;
    if (!content.failed()) {
        m_package = content.downloadedData();
        accept();
        return;
    }
    // The news stay on screen and "Start" tries again.
    const QString reason = content.errorString();
    const bool stalled = content.stalled();
    const double silentSeconds = content.stallTimeoutMs() / 1000.0;
    m_contentDownloader.reset();
    showReadyToStart();
    if (stalled)
        report(
            QString("Error: The download of the update stopped: no data arrived for %1 seconds.").arg(silentSeconds));
    else
        report("Error: The update could not be downloaded.", reason);
}

void FrmUpdater::done(int result)
{
    QDialog::done(result);
    packageDialogFinished(result);
}

void FrmUpdater::packageDialogFinished(int result)
{
    m_contentDownloader.reset();
    if (result != QDialog::Accepted) {
        m_package.clear();
        return;
    }
    if (!stripVerifiedTrailer(m_package)) {
        m_package.clear();
        report("Error: Downloaded update is corrupted.");
    }
}

void FrmUpdater::report(const QString &text, const QString &informative)
{
    m_prompts->warning(parentWidget(), text, informative);
}

void FrmUpdater::inform(const QString &text)
{
    m_prompts->information(parentWidget(), text, QString());
}
