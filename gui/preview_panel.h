#pragma once

// The preview panel at the right of the converter dialog: the first input
// file with the crop window and the centre of rotation over it, and the image
// a batch writes first, both following what is typed after a short pause.
// It reads the controls as a saving exchange would but saves nothing: the
// members change only at the dialog's next saving exchange. Pictures are made
// on a thread of the panel's own, on a job of its own, never on the job a
// batch runs on.

#include <QSize>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "engine/flat_field.h"
#include "preview/control_texts.h"
#include "preview/preview_reading.h"
#include "preview/preview_renderer.h"
#include "probe/raw_layout.h"

namespace projconv {

class ConverterDialog;
class ImagePane;
class LayoutGuessStrip;
class PanelToggle;
class PreviewService;
struct SourcePoint;

class PreviewPanel : public QWidget {
  Q_OBJECT

 public:
  // Width the window grows by when the panel opens.
  static constexpr int kWidth = 826;      // beside the dialog, when the screen has room
  static constexpr int kNarrowest = 360;  // on a small screen, no narrower than this

  // Puts the toggle on `dialog`'s edge and the panel, closed, to its right.
  explicit PreviewPanel(ConverterDialog& dialog);
  ~PreviewPanel() override;

  bool IsOpen() const { return open_; }
  // Opens the panel, widening the window, or closes it and gives the window
  // back its size.
  void SetOpen(bool open);

  // Reads the controls at once instead of after the pause, and asks for new
  // pictures when anything changed.
  void Refresh();
  // Whether the pictures shown answer the latest reading of the controls.
  bool UpToDate() const { return shownRequest_ == lastRequest_; }
  // How many readings have been asked for since the panel was made.
  std::uint64_t requests() const { return lastRequest_; }

  // The latest picture shown, with the samples of its output; null before
  // the first.
  const PreviewPicture* picture() const { return picture_ ? &*picture_ : nullptr; }

  ImagePane& inputPane() const { return *input_; }
  ImagePane& outputPane() const { return *output_; }
  PanelToggle& toggle() const { return *toggle_; }
  LayoutGuessStrip& guessStrip() const { return *guess_; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void ConnectControls();
  // Places the panel and its panes for a panel `panelWidth` pixels wide.
  void LayOut(int panelWidth);
  // The height of the hint under the panes, wrapped within that width.
  int HintHeight(int panelWidth) const;
  // The panel's width that keeps the whole window on its screen.
  int FittingWidth(int frameWidth) const;
  // Moves the window, `outer` in size with its frame, wholly onto its screen.
  void KeepOnScreen(QSize outer);
  void OnEdited();
  ControlTexts TakeTexts() const;
  void ShowOverlay();
  void Request(bool withOutput);
  void ShowPicture();
  void OnCropDragged(const SourcePoint& from, const SourcePoint& to);
  void OnCentreDragged(const SourcePoint& to);
  void SetEditTexts(std::initializer_list<std::pair<int, std::int32_t>> values);
  // The file a batch would read first, as the controls name it now.
  std::string FirstInputName(std::string& problem) const;
  // Sets the format and size controls to `layout`, as if chosen by hand.
  void ShowLayout(const RawLayout& layout);

  ConverterDialog& dialog_;
  QSize closedSize_;
  PanelToggle* toggle_;
  ImagePane* input_;
  ImagePane* output_;
  LayoutGuessStrip* guess_;
  QTimer pause_;
  bool open_ = false;
  bool settingTexts_ = false;
  int hintHeight_ = 0;

  std::optional<ControlTexts> lastTexts_;
  // The flat field's correction and problem at that reading.
  std::optional<std::pair<CorrectionParameters, std::optional<QString>>> lastCorrection_;
  PreviewReading reading_;
  bool outputRequested_ = false;
  std::optional<PreviewPicture> picture_;
  std::uint64_t lastRequest_ = 0;
  std::uint64_t shownRequest_ = 0;
  std::unique_ptr<PreviewService> service_;  // made when the panel first opens
};

}  // namespace projconv
