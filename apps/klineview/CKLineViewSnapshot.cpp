#include "CKLineViewSnapshot.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImageWriter>
#include <QPixmap>
#include <QTextStream>
#include <QThread>

#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "platform/config/QLLog.h"
#include "platform/framework/CEventBus.h"
#include "platform/framework/QWriteFile.h"

namespace TC {

namespace {
// The chart asks its host for N of the N-unit periods with this event.
constexpr int kAskPeriodMultiple = 221;
} // namespace

CKLineViewSnapshot::CKLineViewSnapshot(const CKLineViewOptions& options) : m_options(options)
{
}

CKLineViewSnapshot::~CKLineViewSnapshot()
{
    if (m_busToken)
        KW::CEventBus::instance()->unsubscribe(m_busToken);
}

void CKLineViewSnapshot::build()
{
    if (m_chart)
        return;
    const int multiple = m_options.layout().periodMultiple();
    m_busToken =
        KW::CEventBus::instance()->subscribe([multiple](int id, int, int, const QString&, void* data) {
            if (id != kAskPeriodMultiple || !data)
                return false;
            *static_cast<int*>(data) = multiple;
            return true;
        });
    m_chart.reset(new CKLineMainWidget(nullptr, 0));
    // Never flash a window when a display happens to be there.
    m_chart->setAttribute(Qt::WA_DontShowOnScreen);
    m_chart->resize(m_options.size());
    m_options.layout().applyTo(m_chart.get());
    m_chart->show();
    QCoreApplication::processEvents();
    m_chart->request(true);
}

bool CKLineViewSnapshot::chartHasData(const CKLineMainWidget* chart)
{
    if (!chart || !chart->mainPane() || !chart->mainPane()->hasData())
        return false;
    for (const CKLineWidget* pane : chart->subPanes())
        if (!pane->indexNames().isEmpty() && !pane->hasData())
            return false;
    return true;
}

QImage CKLineViewSnapshot::render(int timeoutMs)
{
    build();
    QElapsedTimer timer;
    timer.start();
    while (!chartHasData(m_chart.get()) && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (!chartHasData(m_chart.get()))
            QThread::msleep(5);
    }
    m_allData = chartHasData(m_chart.get());
    if (!m_allData)
        QLLOG_WARN(qlog::kStdLogger, "snapshot of %1% taken without complete data after %2% ms",
                   m_options.layout().instrument(), timeoutMs);
    // Let the panes lay out and repaint with what arrived.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();

    QImage image = m_chart->grab().toImage();
    const QSize wanted = m_options.size();
    if (image.size() != wanted) {
        // The offscreen platform has a device pixel ratio of 1; a chart that
        // insisted on a larger minimum is cut to the asked size.
        image.setDevicePixelRatio(1.0);
        image = image.copy(QRect(QPoint(0, 0), wanted));
    }
    return image;
}

int CKLineViewSnapshot::run(QTextStream& out, QTextStream& err, int timeoutMs)
{
    const QString path = QFileInfo(m_options.snapshotFile()).absoluteFilePath();
    const QImage image = render(timeoutMs);

    // Encoded in memory first, so the file is replaced in one step.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    QString why;
    if (!writer.write(image)) {
        why = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), writer.errorString());
        QLLOG_ERROR(qlog::kStdLogger, "cannot encode snapshot %1%: %2%", path, writer.errorString());
    } else
        QWriteFile(path, png, &why);
    if (!why.isEmpty()) {
        err << "klineview: cannot write snapshot: " << why << '\n';
        err.flush();
        return kWriteFailed;
    }
    out << QDir::toNativeSeparators(path) << '\n';
    out.flush();
    return kOk;
}

} // namespace TC
