#include "update_screens.h"

#include "shots.h"

#include "app/pump.h"
#include "text/encoding.h"
#include "ui/about_window.h"
#include "ui/update_window.h"

#include <QCoreApplication>
#include <QImage>

#include <cstdio>

using tk::shots::Save;

int SaveUpdateScreens(const QString& dir) {
    int failures = 0;
    tk::AppState app;
    app.productName = tk::Gbk("青禾淘客");
    app.latestVersion = "1.002";
    tk::UpdateSession session;

    // No address: the task is refused, so the window stays in Downloading while the figures are set by hand.
    auto* update = tk::UpdateWindow::open(app);
    failures += Save(*update, dir, "update-ready.png");
    update->startUpdate();
    update->时钟1->stop();
    update->进度条_更新进度->setValue(457);
    update->标签_更新进度->setText(tk::FromGbk(tk::ProgressLabel(457)));
    failures += Save(*update, dir, "update-downloading.png");
    update->showProgressText(tk::Gbk(tk::update_text::kFileUpdated));
    failures += Save(*update, dir, "update-file-updated.png");
    update->showFinished();
    failures += Save(*update, dir, "update-finished.png");
    delete update;

    const struct {
        const char* version;
        const char* file;
    } abouts[] = {{"1.001", "about-latest.png"}, {"1.002", "about-newer.png"}};
    for (const auto& a : abouts) {
        tk::AboutWindow about(app);
        about.fill(tk::MakeAboutData(app.productName, a.version));
        about.show();
        failures += Save(about, dir, a.file);
    }
    return failures;
}
