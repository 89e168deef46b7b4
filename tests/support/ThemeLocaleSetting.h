#pragma once

#include "uTheme.h"

#include <cstdlib>
#include <optional>
#include <string>

// Sets the theme and the locale for one case and restores both afterwards.
class Setting {
public:
    Setting(bool light, const char* lang) : light_(LightSetting)
    {
        if (const char* v = std::getenv("LANG"))
            lang_ = v;
        LightSetting = light;
        unsetenv("LC_ALL");
        unsetenv("LC_CTYPE");
        setenv("LANG", lang, 1);
    }
    ~Setting()
    {
        LightSetting = light_;
        if (lang_)
            setenv("LANG", lang_->c_str(), 1);
        else
            unsetenv("LANG");
    }

private:
    bool light_;
    std::optional<std::string> lang_;
};
