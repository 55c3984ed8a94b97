// vellumine-pageshot PAGE.htm OUT.png [WIDTH HEIGHT]: renders a page the
// way the preview shows it (same browser view: no scripts, local files
// only) and saves a picture of it, for looking at exported pages.

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include "render/qt/BrowserView.h"

int main(int argc, char** argv)
{
    ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: vellumine-pageshot PAGE.htm OUT.png [WIDTH HEIGHT]\n");
        return 2;
    }
    vellumine::BrowserView view;
    view.resize(argc > 4 ? std::atoi(argv[3]) : 800, argc > 4 ? std::atoi(argv[4]) : 900);
    view.show();
    bool loaded = false;
    QObject::connect(&view, &vellumine::BrowserView::DownloadComplete, [&] { loaded = true; });
    view.Navigate(QString::fromLocal8Bit(argv[1]));
    if (!QTest::qWaitFor([&] { return loaded; }, 30000))
        return 1;
    QTest::qWait(500);  // let the images decode and paint
    return view.grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
