// The choosers as resource dialogs: the token chooser (102) and the key chooser (106), each a
// report list with full-row selection. What OK with no row does is the logic's
// (ui/list_chooser.h); this file shows the rows and reports the selected one.
#include <windows.h>

#include <commctrl.h>

#include <optional>
#include <string>

#include "platform/dialog_host.h"
#include "platform/dynamic_library.h"
#include "platform/ui_log.h"
#include "platform/win32/dialog_resources.h"
#include "platform/win32/modal_dialog.h"
#include "platform/windowless_dialogs.h"

namespace kq::platform {

namespace {

constexpr INT_PTR kCancelledChoice = -1;

// The list view's window class, from comctl32 loaded for the chooser's run. It is not imported:
// a library that the provider imports is unloaded with it, and when CryptoAPI frees the provider
// after a failed call, that clean-up would overwrite the error the caller is about to read.
DynamicLibrary LoadListViewClass() {
  DynamicLibrary controls = DynamicLibrary::Load("comctl32.dll");
  using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX* classes);
  auto init = reinterpret_cast<InitFn>(controls.Symbol("InitCommonControlsEx"));
  const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
  if (init != nullptr) {
    init(&classes);
  }
  return controls;
}

std::wstring Wide(const std::u16string& text) {
  return {text.begin(), text.end()};
}

struct ChooserDialog : ModalDialog {
  ChooserDialog(const ChooserView& v, ChooserLogic& l) : view(v), logic(l) {}

  const ChooserView& view;
  ChooserLogic& logic;
};

void FillList(HWND list, const ChooserView& view) {
  ListView_SetExtendedListViewStyleEx(list, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  for (size_t i = 0; i < view.columns.size(); ++i) {
    std::wstring heading = Wide(view.columns[i].heading);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = view.columns[i].width;
    column.pszText = heading.data();
    column.iSubItem = static_cast<int>(i);
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
  for (size_t row = 0; row < view.rows.size(); ++row) {
    const auto& cells = view.rows[row];
    std::wstring first = cells.empty() ? std::wstring() : Wide(cells[0]);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = static_cast<int>(row);
    item.pszText = first.data();
    item.lParam = static_cast<LPARAM>(row + 1);  // 0 is a row without data
    const auto at =
        static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    for (size_t column = 1; column < cells.size(); ++column) {
      std::wstring text = Wide(cells[column]);
      LVITEMW cell{};
      cell.iSubItem = static_cast<int>(column);
      cell.pszText = text.data();
      SendMessageW(list, LVM_SETITEMTEXTW, at, reinterpret_cast<LPARAM>(&cell));
    }
  }
  if (!view.rows.empty()) {
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(list, 0);
  }
}

// The prompt's box is sized for the Chinese text; a longer text (the English one) widens it to
// the list's width rather than be cut off.
void FitPromptToList(HWND prompt, HWND list, const std::wstring& text) {
  RECT box{};
  RECT listBox{};
  GetWindowRect(prompt, &box);
  GetWindowRect(list, &listBox);
  HDC screen = GetDC(prompt);
  const HGDIOBJ old =
      SelectObject(screen, reinterpret_cast<HGDIOBJ>(SendMessageW(prompt, WM_GETFONT, 0, 0)));
  SIZE extent{};
  GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &extent);
  SelectObject(screen, old);
  ReleaseDC(prompt, screen);
  if (extent.cx > box.right - box.left) {
    SetWindowPos(prompt, nullptr, 0, 0, listBox.right - box.left, box.bottom - box.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void StartChooser(HWND dialog, const ChooserDialog& chooser) {
  const ChooserView& view = chooser.view;
  SetWindowTextW(dialog, Wide(view.title).c_str());
  if (HWND prompt = GetDlgItem(dialog, KQ_IDC_CHOOSER_PROMPT); prompt != nullptr) {
    SetWindowTextW(prompt, Wide(view.prompt).c_str());
    FitPromptToList(prompt, GetDlgItem(dialog, KQ_IDC_CHOOSER_LIST), Wide(view.prompt));
  }
  SetDlgItemTextW(dialog, IDOK, Wide(view.okText).c_str());
  SetDlgItemTextW(dialog, IDCANCEL, Wide(view.cancelText).c_str());
  FillList(GetDlgItem(dialog, KQ_IDC_CHOOSER_LIST), view);
  BringDialogToFront(dialog);
}

// The row the user selected, by the item's data; nullopt when none is selected.
std::optional<size_t> SelectedRow(HWND list, size_t rows) {
  const auto selected = static_cast<int>(ListView_GetNextItem(list, -1, LVNI_SELECTED));
  if (selected < 0) {
    return std::nullopt;
  }
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = selected;
  if (SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) == FALSE ||
      item.lParam <= 0 || static_cast<size_t>(item.lParam) > rows) {
    return std::nullopt;
  }
  return static_cast<size_t>(item.lParam - 1);
}

INT_PTR CALLBACK ChooserProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  ChooserDialog* chooser = DialogState<ChooserDialog>(dialog, message, lParam);
  if (chooser == nullptr) {
    return FALSE;
  }
  switch (message) {
    case WM_INITDIALOG:
      StartChooser(dialog, *chooser);
      return FALSE;  // the focus is set
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        const std::optional<size_t> row =
            SelectedRow(GetDlgItem(dialog, KQ_IDC_CHOOSER_LIST), chooser->view.rows.size());
        if (chooser->logic.OnOk(row) && row) {
          chooser->End(static_cast<INT_PTR>(*row));
        }
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        chooser->End(kCancelledChoice);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

std::optional<size_t> RunChooserDialog(const ChooserView& view, ChooserLogic& logic) {
  const int resource = view.logKind == "token" ? KQ_IDD_TOKEN_CHOOSER : KQ_IDD_KEY_CHOOSER;
  if (!HasDialogResource(resource)) {
    return RunWindowlessChooser(view, logic, nullptr);
  }
  const DynamicLibrary controls = LoadListViewClass();
  ChooserDialog chooser(view, logic);
  DWORD madeError = 0;
  const std::optional<INT_PTR> chosen =
      RunModalDialog(resource, ChooserProcedure, chooser, kCancelledChoice, madeError);
  if (!chosen) {
    // Nobody can choose without the list: the same as a cancel, told apart in the log.
    ReportNoWindow(view.logKind, madeError);
    WriteUiLogLine("CHOSEN nowindow");
    return std::nullopt;
  }
  if (*chosen < 0) {
    return std::nullopt;
  }
  return static_cast<size_t>(*chosen);
}

}  // namespace kq::platform
