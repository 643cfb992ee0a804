// The main window's ways into a show: the Display button, the preview and dropped files.
#include "app/frmMain.h"

#include "show/ClickableLabel.h"
#include "app/MainWindowSlideHost.h"
#include "app/ProgramState.h"
#include "files/FileList.h"
#include "files/PatternMatcher.h"
#include "platform/LocalPath.h"
#include "platform/PictureLoader.h"
#include "platform/MessageBoxes.h"
#include "platform/Platform.h"
#include "platform/ScreenSaverInhibitor.h"
#include "show/PictureDecoder.h"
#include "show/SlideWindow.h"

#include <QImage>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>

void frmMain::CommandDISPLAY_Click()
{
    if (m_fileList->count() == 0) {
        m_platform.messages->show(this, MessageIcon::Warning, QStringLiteral("Pictarra"),
                                  QStringLiteral("No matching files!"));
        return;
    }
    if (m_fileList->tickedCount() == 0) {
        m_platform.messages->show(this, MessageIcon::Warning, QStringLiteral("Pictarra"),
                                  QStringLiteral("No files selected!"));
        return;
    }
    if (OptionORDER[1]->isChecked())
        fnRandomiseList();
    m_state.SinglePicture = m_fileList->tickedCount() == 1;
    if (OptionORDER[0]->isChecked()) {
        m_fileList->setCurrentIndex(-1);
        for (int i = 0; i < m_fileList->count(); ++i) {
            if (m_fileList->isTicked(i)) {
                m_fileList->setCurrentIndex(i);
                break;
            }
        }
    }
    openSlideWindow();
}

void frmMain::openSlideWindow()
{
    // "As listed from selected" may come without a current entry: the slide window then begins
    // at the first ticked entry.
    SlideWindow *window = nullptr;
    if (OptionDISPLAY[0]->isChecked()) {
        if (!m_fullScreenSlides)
            m_fullScreenSlides = new SlideWindow(SlideWindowKind::FullScreen, *m_slideHost);
        window = m_fullScreenSlides;
    } else {
        if (!m_slides)
            m_slides = new SlideWindow(SlideWindowKind::Bordered, *m_slideHost);
        window = m_slides;
        if (window->isWindowStateNormal())
            window->applyPlacement(m_state.SlideTop, m_state.SlideLeft, m_state.SlideWidth, m_state.SlideHeight);
    }
    m_showRunning = true;
    window->present();
    hide();
}

SlideWindow *frmMain::slideWindow() const
{
    if (m_fullScreenSlides && m_fullScreenSlides->isVisible())
        return m_fullScreenSlides;
    return m_slides;
}

void frmMain::showAfterShow()
{
    m_showRunning = false;
    show();
    raise();
    activateWindow();
}

void frmMain::keepScreenAwake(bool awake)
{
    if (m_platform.screenSaver)
        m_platform.screenSaver->setInhibited(awake);
}

void frmMain::setDelayTextUnfiltered(const QString &text)
{
    const bool filter = m_keyCheckOn;
    m_keyCheckOn = false;
    TextSPECIFIC->setText(text);
    m_keyCheckOn = filter;
}

void frmMain::setPreviewPicture(const QImage &picture)
{
    if (picture.isNull()) {
        ImagePreview->clear();
        return;
    }
    // The preview stretches whatever it holds to its box; keep only a box-sized copy.
    const qreal ratio = devicePixelRatioF();
    QPixmap preview = QPixmap::fromImage(picture.scaled(ImagePreview->size() * ratio, Qt::IgnoreAspectRatio,
                                                        Qt::SmoothTransformation));
    preview.setDevicePixelRatio(ratio);
    ImagePreview->setPixmap(preview);
}

// The preview's picture test: the pattern box's pattern, or one of the three classic
// picture extensions, matched against the whole text, ignoring case.
std::function<bool(const QString &)> frmMain::pictureTest() const
{
    auto matchers = std::make_shared<std::array<PatternMatcher, 4>>(std::array<PatternMatcher, 4>{
        PatternMatcher(TextPATTERN->text()), PatternMatcher(QStringLiteral("*.bmp")),
        PatternMatcher(QStringLiteral("*.jpg")), PatternMatcher(QStringLiteral("*.gif"))});
    return [matchers](const QString &text) {
        for (const PatternMatcher &matcher : *matchers) {
            if (matcher.matches(text))
                return true;
        }
        return false;
    };
}

// The preview and its click act only when nothing else is busy with the list.
bool frmMain::previewGuard() const
{
    return isVisible() && CommandSelectAll->isEnabled() && CommandSelectNone->isEnabled() && List1->isEnabled()
           && m_fileList->currentIndex() >= 0;
}

void frmMain::List1_Click()
{
    if (!previewGuard())
        return;
    // Names are case-sensitive here: the file is loaded by its path as listed.
    const QString path = m_fileList->entry(m_fileList->currentIndex());
    if (!pictureTest()(path)) {
        if (m_previewTicket != 0)
            m_decoder->cancel();
        m_previewTicket = 0;
        ImagePreview->clear();
        return;
    }
    // Decoded off this thread: a click that comes meanwhile (a held arrow key) supersedes it,
    // and the preview shows the entry clicked last.
    const QSize box = ImagePreview->size() * devicePixelRatioF();
    m_previewTicket = m_decoder->want(path, DecodeTarget::box(box), box);
}

void frmMain::previewDecoded(quint64 ticket, const QImage &preview)
{
    if (ticket != m_previewTicket)
        return;
    m_previewTicket = 0;
    setPreviewPicture(preview);
}

void frmMain::ImagePreview_Click()
{
    if (!previewGuard())
        return;
    if (!pictureTest()(m_fileList->entry(m_fileList->currentIndex())))
        return;
    m_state.SinglePicture = true;
    openSlideWindow();
}

void frmMain::List1_OLEDragDrop(const QStringList &droppedFiles)
{
    if (droppedFiles.isEmpty())
        return;
    m_fileList->clear();
    List1->repaint();
    const auto isPicture = pictureTest();
    QVector<QString> accepted;
    for (const QString &file : droppedFiles) {
        if (isPicture(file) && accepted.size() < FileList::MaxEntries)
            accepted << file;
    }
    if (accepted.isEmpty())
        return;
    m_fileList->replaceAll(accepted, QVector<bool>(accepted.size(), false));
    CommandSelectAll_Click();
    CommandDISPLAY->setText(QStringLiteral("&Display Dropped Files"));
    if (OptionORDER[1]->isChecked())
        fnRandomiseList();
    m_state.SinglePicture = m_fileList->tickedCount() == 1;
    m_fileList->setCurrentIndex(0);
    openSlideWindow();
}

// Local files dropped from a file manager; anything else (text, remote addresses) is no file.
QStringList frmMain::droppedLocalFiles(const QMimeData *data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    const QList<QUrl> urls = data->urls();
    files.reserve(urls.size());
    for (const QUrl &url : urls) {
        if (url.isLocalFile() && url.host().isEmpty())
            files << LocalPath::fromFileUrl(url);
    }
    return files;
}
