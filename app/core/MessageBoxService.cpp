#include "app/core/MessageBoxService.h"

#include <cstdio>

namespace tarnwick::app {
namespace {

StandardErrorMessageBoxService fallbackService;
MessageBoxService* installedService = nullptr;

}  // namespace

MessageBoxService& Messages() {
    return installedService ? *installedService : fallbackService;
}

MessageBoxServiceScope::MessageBoxServiceScope(MessageBoxService& service)
    : previous_(installedService) {
    installedService = &service;
}

MessageBoxServiceScope::~MessageBoxServiceScope() {
    installedService = previous_;
}

QString WithPlatformLineBreaks(const QString& text) {
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(u'\r', u'\n');
    return result;
}

void StandardErrorMessageBoxService::Show(const QString& caption, const QString& text,
                                          MessageIcon) {
    const QByteArray out =
        (caption + QStringLiteral(": ") + WithPlatformLineBreaks(text) + u'\n').toUtf8();
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stderr);
    std::fflush(stderr);
}

}  // namespace tarnwick::app
