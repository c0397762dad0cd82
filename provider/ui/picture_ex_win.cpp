#include "picture_ex_win.h"

#include <objidl.h>
#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>

namespace pq {
namespace {

// GIF delays are in hundredths of a second; browsers treat tiny delays as 100 ms.
UINT FrameDelayMs(UINT hundredths) { return hundredths < 2 ? 100 : hundredths * 10; }

std::wstring Wide(const std::string& s) {
  int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
  std::wstring w(static_cast<size_t>(n > 0 ? n : 1), L'\0');
  MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, &w[0], n);
  w.resize(wcslen(w.c_str()));
  return w;
}

}  // namespace

CPictureEx::CPictureEx() {
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

CPictureEx::~CPictureEx() {
  Stop();
  delete image_;
  if (token_ != 0) Gdiplus::GdiplusShutdown(token_);
}

bool CPictureEx::Load(const std::string& path) {
  if (token_ == 0 || path.empty()) return false;
  auto* image = new Gdiplus::Image(Wide(path).c_str());
  if (image->GetLastStatus() != Gdiplus::Ok || image->GetWidth() == 0) {
    delete image;
    return false;
  }
  delete image_;
  image_ = image;
  GUID dimension = Gdiplus::FrameDimensionTime;
  UINT frames = image_->GetFrameCount(&dimension);
  delaysMs_.assign(frames > 0 ? frames : 1, 100);
  UINT size = image_->GetPropertyItemSize(PropertyTagFrameDelay);
  if (size > 0) {
    std::vector<BYTE> buffer(size);
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
    if (image_->GetPropertyItem(PropertyTagFrameDelay, size, item) == Gdiplus::Ok) {
      const UINT* delays = static_cast<const UINT*>(item->value);
      UINT count = item->length / sizeof(UINT);
      for (UINT i = 0; i < delaysMs_.size() && i < count; ++i) delaysMs_[i] = FrameDelayMs(delays[i]);
    }
  }
  return true;
}

void CPictureEx::Play(HWND dialog, HWND control, UINT_PTR timerId) {
  if (image_ == nullptr) return;
  dialog_ = dialog;
  control_ = control;
  timer_ = timerId;
  frame_ = 0;
  InvalidateRect(control_, nullptr, FALSE);
  if (delaysMs_.size() > 1) ScheduleNext();
}

void CPictureEx::Stop() {
  if (dialog_ != nullptr && timer_ != 0) KillTimer(dialog_, timer_);
  timer_ = 0;
}

void CPictureEx::ScheduleNext() { SetTimer(dialog_, timer_, delaysMs_[frame_], nullptr); }

void CPictureEx::OnTimer() {
  if (image_ == nullptr || timer_ == 0) return;
  frame_ = (frame_ + 1) % static_cast<UINT>(delaysMs_.size());
  GUID dimension = Gdiplus::FrameDimensionTime;
  image_->SelectActiveFrame(&dimension, frame_);
  InvalidateRect(control_, nullptr, FALSE);
  ScheduleNext();
}

void CPictureEx::Draw(const DRAWITEMSTRUCT* item) {
  RECT r = item->rcItem;
  if (image_ == nullptr) return;
  Gdiplus::Graphics graphics(item->hDC);
  graphics.DrawImage(image_, static_cast<INT>(r.left), static_cast<INT>(r.top), static_cast<INT>(r.right - r.left),
                     static_cast<INT>(r.bottom - r.top));
}

}  // namespace pq
