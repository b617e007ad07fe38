#include "apps/calibrix/DialogView.h"

#include <commctrl.h>

#include <vector>

namespace kestrava::calibrix {

DialogView::DialogView(HWND dialog) : dialog_(dialog)
{
    GetClientRect(dialog_, &client_);
    arrowHeight_ = GetSystemMetrics(SM_CYVSCROLL);
}

void DialogView::setText(int control, const std::string& text)
{
    SetDlgItemTextA(dialog_, control, text.c_str());
}

void DialogView::setEnabled(int control, bool enabled)
{
    EnableWindow(item(control), enabled ? TRUE : FALSE);
}

void DialogView::clearList(int list)
{
    SendMessageA(item(list), CB_RESETCONTENT, 0, 0);
}

void DialogView::addListItem(int list, const std::string& text)
{
    SendMessageA(item(list), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void DialogView::selectListItem(int list, int index)
{
    SendMessageA(item(list), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int DialogView::selectedListItem(int list) const
{
    return static_cast<int>(SendMessageA(item(list), CB_GETCURSEL, 0, 0));
}

std::string DialogView::listItemText(int list, int index) const
{
    const LRESULT length = SendMessageA(item(list), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR)
        return {};
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    SendMessageA(item(list), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

void DialogView::setChecked(int control, bool checked)
{
    CheckDlgButton(dialog_, control, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool DialogView::isChecked(int control) const
{
    return IsDlgButtonChecked(dialog_, control) == BST_CHECKED;
}

void DialogView::setSliderPosition(int slider, int position)
{
    SendMessageA(item(slider), TBM_SETPOS, TRUE, position);
}

// Along the bottom of the client area, as high as a scroll-bar arrow.
void DialogView::showProgressBar()
{
    hideProgressBar();
    progressBar_ = CreateWindowExA(0, PROGRESS_CLASSA, nullptr, WS_CHILD | WS_VISIBLE, client_.left,
                                   client_.bottom - arrowHeight_, client_.right - client_.left, arrowHeight_,
                                   dialog_, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(progressBar_, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
}

void DialogView::setProgress(int percent)
{
    if (progressBar_ != nullptr)
        SendMessageA(progressBar_, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void DialogView::hideProgressBar()
{
    if (progressBar_ != nullptr)
        DestroyWindow(progressBar_);
    progressBar_ = nullptr;
}

void DialogView::startTimer(int timer, int periodMs)
{
    SetTimer(dialog_, static_cast<UINT_PTR>(timer), static_cast<UINT>(periodMs), nullptr);
}

void DialogView::stopTimer(int timer)
{
    KillTimer(dialog_, static_cast<UINT_PTR>(timer));
}

bool DialogView::askYesNo(const std::string& text, const std::string& caption)
{
    return MessageBoxA(dialog_, text.c_str(), caption.c_str(), MB_YESNO) == IDYES;
}

}  // namespace kestrava::calibrix
