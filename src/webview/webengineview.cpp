#include "info/webpageview.h"

#include <QObject>
#include <QWebEngineView>

namespace {

class EnginePageView : public QWebEngineView, public WebPageView
{
public:
    EnginePageView(QWidget *parent, Handlers handlers) : QWebEngineView(parent)
    {
        connect(this, &QWebEngineView::urlChanged, this,
                [handler = std::move(handlers.urlChanged)] { handler(); });
        connect(this, &QWebEngineView::loadStarted, this,
                [handler = std::move(handlers.loadStarted)] { handler(); });
        connect(this, &QWebEngineView::loadFinished, this,
                [handler = std::move(handlers.loadFinished)](bool ok) { handler(ok); });
    }

    QWidget *widget() override { return this; }

    void load(const QUrl &url) override { QWebEngineView::load(url); }
    void back() override { QWebEngineView::back(); }
    void forward() override { QWebEngineView::forward(); }
    void reload() override { QWebEngineView::reload(); }
    void stop() override { QWebEngineView::stop(); }

    QString title() const override { return QWebEngineView::title(); }
    QUrl url() const override { return QWebEngineView::url(); }
};

} // namespace

class WebEnginePageViews : public QObject, public WebPageViewFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID WebPageViewFactory_iid)
    Q_INTERFACES(WebPageViewFactory)

public:
    WebPageView *create(QWidget *parent, WebPageView::Handlers handlers) override
    {
        return new EnginePageView(parent, std::move(handlers));
    }
};

#include "webengineview.moc"
