// An animated picture in an owner-drawn static control: the frames of a GIF file
// drawn with their own delays, looping until stopped.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace Gdiplus {
class Image;
}

namespace pq {

class CPictureEx {
 public:
  CPictureEx();
  ~CPictureEx();
  CPictureEx(const CPictureEx&) = delete;
  CPictureEx& operator=(const CPictureEx&) = delete;

  bool Load(const std::string& path);
  bool Loaded() const { return image_ != nullptr; }
  // Starts playing in `control`, a child of `dialog`, whose timer `timerId` drives the frames.
  void Play(HWND dialog, HWND control, UINT_PTR timerId);
  void Stop();
  // The dialog forwards its timer and draw messages.
  void OnTimer();
  void Draw(const DRAWITEMSTRUCT* item);

 private:
  void ScheduleNext();

  ULONG_PTR token_ = 0;
  Gdiplus::Image* image_ = nullptr;
  std::vector<UINT> delaysMs_;
  UINT frame_ = 0;
  HWND dialog_ = nullptr, control_ = nullptr;
  UINT_PTR timer_ = 0;
};

}  // namespace pq
