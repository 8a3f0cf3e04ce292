#pragma once

#include <QString>

// Opens a web address in the user's browser. A failure is ignored by every caller.
class UrlOpener
{
public:
    virtual ~UrlOpener() = default;
    virtual bool open(const QString &address) = 0;
};

// Opens through the desktop's default browser.
class DesktopUrlOpener : public UrlOpener
{
public:
    bool open(const QString &address) override;
};
