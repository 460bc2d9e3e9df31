#include "forms/filedownloader.h"

#include <QNetworkReply>
#include <QNetworkRequest>

FileDownloader::FileDownloader(const QUrl &url, QObject *parent, int stallTimeoutMs) : QObject(parent)
{
    connect(&m_webCtrl, &QNetworkAccessManager::finished, this, &FileDownloader::fileDownloaded);
    QNetworkRequest request(url);
    // A server moved to https answers with a redirect; going back to plain http is refused.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    m_reply = m_webCtrl.get(request);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &FileDownloader::on_downloadProgress);
    // Progress reports are thinned out by the network layer; every arrival of bytes is not.
    connect(m_reply, &QNetworkReply::readyRead, &m_stallTimer, QOverload<>::of(&QTimer::start));

    m_stallTimer.setSingleShot(true);
    m_stallTimer.setInterval(stallTimeoutMs);
    connect(&m_stallTimer, &QTimer::timeout, this, &FileDownloader::stallTimedOut);
    m_stallTimer.start();
}

FileDownloader::~FileDownloader()
{
    // The owner gave up on the download (the updater's "Abort"): the reply ends with us and says nothing.
    if (m_reply) {
        m_reply->disconnect(this);
        m_webCtrl.disconnect(this);
        m_reply->abort();
    }
}

void FileDownloader::fileDownloaded(QNetworkReply *pReply)
{
    if (pReply != m_reply)
        return;
    m_stallTimer.stop();
    m_finished = true;
    m_failed = m_stalled || pReply->error() != QNetworkReply::NoError;
    if (m_failed)
        m_errorString = m_stalled ? QString("No data arrived for %1 s.").arg(m_stallTimer.interval() / 1000.0)
                                  : pReply->errorString();
    else
        m_downloadedData = pReply->readAll();
    pReply->deleteLater();
    m_reply = nullptr;
    emit downloaded();
}

void FileDownloader::on_downloadProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    emit downloadProgress(bytesReceived, bytesTotal);
}

void FileDownloader::stallTimedOut()
{
    if (!m_reply)
        return;
    m_stalled = true;
    // Ends in fileDownloaded through the manager's finished signal.
    m_reply->abort();
}
