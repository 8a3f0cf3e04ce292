#include "shellforms.h"

#include "formregistry.h"
#include "introscreen.h"
#include "playcue.h"
#include "signinscreen.h"
#include "termmenu.h"
#include "titlescreen.h"

#include <string_view>

static_assert(std::string_view(StartFormName) == Titlefrm::Name);

void registerShellForms(AppContext &context)
{
    context.forms.registerForm(QString::fromLatin1(Grey::Name), [&context](FormRegistry &) {
        return std::make_unique<Grey>(context);
    });
    context.forms.registerForm(QString::fromLatin1(Titlefrm::Name), [&context](FormRegistry &) {
        return std::make_unique<Titlefrm>(context);
    });
    context.forms.registerForm(QString::fromLatin1(Intro0::Name), [&context](FormRegistry &) {
        return std::make_unique<Intro0>(context);
    });
    context.forms.registerForm(QString::fromLatin1(SignInScreen::Name), [&context](FormRegistry &) {
        return std::make_unique<SignInScreen>(context);
    });
    registerTermMenus(context);
}
