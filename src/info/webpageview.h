#pragma once

#include <QString>
#include <QUrl>
#include <QtPlugin>

#include <functional>

class QWidget;

// The page that the browser window shows. It comes from a plugin of its own
// (scrivlet-webview), so that the web engine's libraries are loaded the
// first time a page is shown and never by the editor alone.
class WebPageView
{
public:
    // What the page reports about itself, as it happens.
    struct Handlers
    {
        std::function<void()> urlChanged;
        std::function<void()> loadStarted;
        std::function<void(bool ok)> loadFinished;
    };

    virtual ~WebPageView() = default;

    // The view itself; its Qt parent owns it and so this object too.
    virtual QWidget *widget() = 0;

    virtual void load(const QUrl &url) = 0;
    virtual void back() = 0;
    virtual void forward() = 0;
    virtual void reload() = 0;
    virtual void stop() = 0;

    virtual QString title() const = 0;
    virtual QUrl url() const = 0;
};

class WebPageViewFactory
{
public:
    virtual ~WebPageViewFactory() = default;
    virtual WebPageView *create(QWidget *parent, WebPageView::Handlers handlers) = 0;
};

#define WebPageViewFactory_iid "org.example.scrivlet.WebPageViewFactory/1"
Q_DECLARE_INTERFACE(WebPageViewFactory, WebPageViewFactory_iid)
