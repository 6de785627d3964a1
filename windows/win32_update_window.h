#pragma once
// The update window on Win32: a borderless window with the background picture, painted
// transparent labels, the close mark, the teal frame, and a real single-line edit box. The
// labels and the image are drawn by the window itself and take clicks by hit-testing, topmost
// first, as windowless controls do. Every position and size is given in twips and converted at
// the density of the monitor the window is on, again whenever that changes; the pictures come
// drawn for 96, 120 and 144 dpi, and the one nearest the window's density is used (scaled only
// between those), loaded when first painted and freed when the window hides. The edit box's
// window is made when the window is first shown.
//
// For the keyboard and for screen readers the painted controls are also real children, made
// with the edit box: owner-drawn buttons over the send button and the close mark, and an
// owner-drawn static over the characters left, each drawing its piece of the window's own
// picture (so that the window looks exactly as before), plus a hidden, empty-sized static
// "What are you doing?" just before the edit box, which the system's object for an edit box
// takes as its name. Tab goes from the box to the send button and the close mark and back,
// with a focus mark; Space and Enter press them, Esc hides as in the box. See
// accessible_part.h for what a screen reader is told and why. With a high-contrast theme on,
// the window is drawn in the system's colours without the pictures. Its texts are in the language
// the application speaks when it is shown (English until it is given the application).
#include <windows.h>

#include <array>
#include <memory>
#include <string>

#include "common/callback.h"
#include "common/catalog.h"
#include "platform/application.h"
#include "platform/ui.h"
#include "platform/win32/accessible_part.h"
#include "platform/win32/handles.h"
#include "platform/win32/twips_layout.h"
#include "platform/win32/win32_edit_box.h"
#include "platform/win32/win32_form.h"
#include "platform/win32/win32_suggestion_list.h"
#include "platform/win32/window_base.h"

namespace quillet::platform::win32 {

// The window class, for other programs and tests that look for the window.
inline constexpr wchar_t kUpdateWindowClass[] = L"QuilletForm1";

// The density, of those the pictures are drawn for, nearest to the display's (the higher of two
// equally near ones, since shrinking keeps a picture crisper than enlarging).
int NearestPictureDensity(int dpi);

class Win32UpdateWindow : public Win32Form {
 public:
  static constexpr int kClientWidthTwips = 8655;  // 577 x 154 pixels at 96 dpi
  static constexpr int kClientHeightTwips = 2310;

  Win32UpdateWindow();
  // The children get their own procedures back before the window (and they with it) goes.
  ~Win32UpdateWindow() override;

  IconHandle Icon() const override { return reinterpret_cast<IconHandle>(smallIcon_.get()); }
  // Where the window's own texts (the question, the credit, what a screen reader is told) take
  // their language from, each time the window is shown.
  void SpeakWith(const IApplication& app) {
    app_ = &app;
    SpeakLanguageInUse();
  }

  ITextBox& StatusBox() { return *statusBox_; }
  ILabel& SendButton() { return labels_[kSendButton]; }
  ILabel& CountdownCaption() { return labels_[kCountdownCaption]; }
  ILabel& CharsLeft() { return labels_[kCharsLeft]; }
  ILabel& Credit() { return labels_[kCredit]; }
  IClickable& CloseMark() { return closeMark_; }
  IShape& Frame() { return frame_; }
  // The #tags offered under the box; its window made when it first shows.
  Win32SuggestionList& TagList() { return tagList_; }
  // The edit box's window: made now if the window has not been shown yet (it is made at the
  // first pop-up, with the window's other children).
  HWND EditWindow();
  // For tests: where the painted controls lie, in client pixels, and the pictures' density.
  ::RECT SendButtonRect() const { return labels_[kSendButton].rect; }
  ::RECT CloseMarkRect() const { return closeMark_.rect; }
  int PictureDensity() const { return pictureDensity_; }
  // The children that stand for the painted send button, close mark and characters left; null
  // before the first pop-up.
  HWND SendButtonWindow() const { return parts_[kSendPart].window; }
  HWND CloseMarkWindow() const { return parts_[kClosePart].window; }
  HWND CharsLeftWindow() const { return parts_[kCharsLeftPart].window; }
  bool HighContrast() const { return highContrast_; }
  // Where the window learns whether a high-contrast theme is on (SPI_GETHIGHCONTRAST unless
  // replaced): Wine never has one on, and refuses SPI_SETHIGHCONTRAST, so its tests answer in
  // the system's place and send the window the messages a switch sends. Read again now.
  void QueryHighContrastWith(Callback<bool()> query);
  bool PicturesLoaded() const { return background_ && closeMarkPicture_; }
  // For tests: the face the count of characters left and the question are drawn in, in the look in use.
  std::wstring CharsLeftFace() const;
  std::wstring QuestionFace() const;

 private:
  // A label drawn on the window: no background of its own, text at the top of its rectangle.
  class PaintedLabel : public ILabel {
   public:
    std::u16string Caption() const override { return caption; }
    void SetCaption(std::u16string_view text) override;
    void OnClick(Callback<void()> handler) override { onClick = std::move(handler); }
    HWND owner = nullptr;
    ::RECT rect{};
    std::u16string caption;
    HFONT font = nullptr;
    COLORREF colour = 0;
    UINT align = DT_LEFT;
    Callback<void()> onClick;
  };
  class ClickArea : public IClickable {
   public:
    void OnClick(Callback<void()> handler) override { onClick = std::move(handler); }
    ::RECT rect{};
    Callback<void()> onClick;
  };
  class FrameOutline : public IShape {
   public:
    std::int32_t Top() const override { return rect.top; }
    void SetTop(std::int32_t pixels) override;
    HWND owner = nullptr;
    ::RECT rect{};
  };
  enum LabelIndex { kSendButton, kCountdownCaption, kCharsLeft, kCredit, kLabelCount };
  // A painted control's child window and what a screen reader is told about it.
  enum PartIndex { kSendPart, kClosePart, kCharsLeftPart, kPartCount };
  struct ChildPart {
    HWND window = nullptr;  // a child, destroyed with the window
    WNDPROC original = nullptr;
    std::shared_ptr<AccessiblePart> accessible;
  };
  static LRESULT CALLBACK ChildProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleChildMessage(ChildPart& part, PartIndex index, UINT message, WPARAM wParam, LPARAM lParam);
  // The send button's or the close mark's click handler, as a click on it runs it.
  void Press(PartIndex index);
  ::RECT PartRect(PartIndex index) const;
  void PlaceParts();
  // Whether a high-contrast theme is on; read at the start and at every change of the system's
  // colours or settings.
  void ReadHighContrast();
  const Catalog& Words() const;
  std::u16string Tr(std::u16string_view english) const;
  void DrawTranslatedQuestion(HDC canvas, bool mirrored);
  // The window's own texts in the language in use: at its making and each time it is shown.
  void SpeakLanguageInUse();

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // What HandleMessage does with the messages that take more than a line.
  LRESULT BoxColours(HDC dc);
  LRESULT DrawChild(const DRAWITEMSTRUCT* item);
  void ColoursMayHaveChanged(bool systemColours);
  void FocusNextControl(bool backwards);
  void ShowingOrHiding(const WINDOWPOS& place);
  void FocusBox();
  void AnnounceQuestion();
  bool ChildCommand(HWND child, WORD code);  // true when it was the box's or a button's
  void MouseReleased(POINT at);
  void DensityChanged(UINT dpi, const ::RECT* suggested);
  // Everything that follows from the density: sizes, places, fonts, icons, which pictures.
  void LayOut();
  void LoadPictures();
  // The children (the edit box), made when the window is first shown; placed at the density.
  void MakeChildren();
  void PlaceEditBox();
  void Paint(HDC target);
  // Draws the whole window off screen and copies `area` of it (client pixels) to `target` at 0, 0.
  void Render(HDC target, const ::RECT& area);
  void DrawHighContrast(HDC canvas);
  void DrawFocusMarks(HDC canvas);
  // The clickable control at a client point, topmost first; nullptr over the bare picture.
  const Callback<void()>* HitTest(POINT point) const;
  ::RECT TwipsRect(const TwipsBox& box) const;

  int clientWidth_ = 0, clientHeight_ = 0;  // pixels
  int frameLineWidth_ = 0;                  // frame's line: 3 pixels at 96 dpi
  int pictureDensity_ = 0;                  // of the pictures in use
  int frameDpi_ = 96;                       // the density the frame's place is in
  UniqueBrush white_, teal_;
  UniqueIcon smallIcon_, bigIcon_;
  UniqueBitmap background_, closeMarkPicture_;
  // The count's own face is a serif; the high-contrast look writes it in the question's face.
  UniqueFont textFont_, smallBoldFont_, countFont_, plainCountFont_, headingFont_;
  std::array<PaintedLabel, kLabelCount> labels_;
  ClickArea closeMark_;
  FrameOutline frame_;
  std::unique_ptr<Win32EditBox> statusBox_;         // its window made at the first pop-up; null while the window is being made
  const Callback<void()>* pressed_ = nullptr;  // the control the left button went down on
  ComApartment apartment_;                          // entered at the first question of a screen reader
  std::array<ChildPart, kPartCount> parts_;
  Win32SuggestionList tagList_{[this] { return statusBox_ ? statusBox_->hwnd() : nullptr; }};
  HWND questionLabel_ = nullptr;  // the edit box's name for screen readers; a child
  const IApplication* app_ = nullptr;  // the language's source; none: English
  std::string LanguageTag() const { return app_ != nullptr ? app_->Words().Tag() : "en"; }
  std::string fontsLanguage_;  // the language the fonts were made for
  bool highContrast_ = false;
  Callback<bool()> highContrastQuery_;  // empty: the system's setting
  bool pressedByMouse_ = false;
  bool focusAnnounced_ = false;  // the box's focus was announced since the window was last shown  // the child button being clicked was pressed with the mouse
};

}  // namespace quillet::platform::win32
