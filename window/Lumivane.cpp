#include "window/Lumivane.h"

#include "core/PlatformPaths.h"
#include "core/ProgramTitle.h"

namespace {

template <typename Control>
Control *place(Control *control, const char *name, const QRect &bounds)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(bounds);
    return control;
}

QGroupBox *frame(QWidget *parent, const char *name, const QString &caption, const QRect &bounds)
{
    return place(new QGroupBox(caption, parent), name, bounds);
}

QGroupBox *leftColumnFrame(QWidget *parent, const char *name, const QString &caption, int top,
                           int height, qreal fontPoints = 9.75)
{
    QGroupBox *box = frame(parent, name, caption, twipsRect(120, top, 2175, height));
    box->setFont(frameCaptionFont(fontPoints));
    return box;
}

DropDownList *dropDownList(QGroupBox *parent, const char *name, const QStringList &entries)
{
    auto *list = place(new DropDownList(parent), name, twipsRect(120, 240, 1935, 315));
    // A list is known by its frame's caption, as a sighted user knows it.
    list->setAccessibleName(parent->title().trimmed());
    list->setFont(regularControlFont());
    list->addItems(entries);
    list->setCurrentIndex(-1);
    return list;
}

template <typename Control>
Control *inFrame(Control *control, const char *name, const QRect &bounds)
{
    control->setFont(regularControlFont());
    return place(control, name, bounds);
}

QTimer *intervalTimer(QObject *parent, const char *name, int milliseconds,
                      Qt::TimerType type = Qt::CoarseTimer)
{
    auto *timer = new QTimer(parent);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(milliseconds);
    timer->setTimerType(type);
    return timer;
}

} // namespace

Lumivane::Lumivane(std::unique_ptr<snappy::SnappyDevice> device, Prompts &prompts, QWidget *parent,
                   SnapClock clock)
    : QWidget(parent)
    , m_device(std::move(device))
    , m_prompts(prompts)
    , m_controls(buildControls())
    , m_saveFailureNotice(this)
    , m_progress(m_controls, *m_device)
    , m_starter(m_controls, *m_device, m_progress)
    , m_schedule(m_controls, m_state, m_starter, std::move(clock))
    , m_snapMode(m_controls, m_state, *m_device, m_progress, m_starter, m_schedule)
    , m_completion(m_controls, m_state, *m_device, m_progress, m_starter, m_saveFailureNotice)
    , m_sliders(m_controls)
    , m_saveMethod(m_controls, m_state, m_prompts)
{
    m_device->setObjectName(QStringLiteral("Snappy1"));
    m_controls.imgDisplay->setToolTip(m_device->deviceName());
    connectHandlers();
    Form_Load();
}

Lumivane::~Lumivane()
{
    // The device's events must not reach handlers whose controls are gone.
    m_device->disconnect(this);
}

CaptureControls Lumivane::buildControls()
{
    setObjectName(QStringLiteral("Lumivane"));
    setWindowTitle(ProgramTitle);
    setFont(regularControlFont());
    resize(twipsToPixels(12015), twipsToPixels(8745));

    CaptureControls c;
    c.Frame1 = leftColumnFrame(this, "Frame1", QStringLiteral(" Snap Mode"), 0, 735);
    c.cmbSnapMode = dropDownList(c.Frame1, "cmbSnapMode",
                                 {QStringLiteral("Off"), QStringLiteral("B/W Preview"),
                                  QStringLiteral("Color Preview"), QStringLiteral("Single Snap"),
                                  QStringLiteral("Rapid Snap"), QStringLiteral("Delayed Snap")});

    c.Frame12 = leftColumnFrame(this, "Frame12", QStringLiteral("Delay Time"), 720, 735);
    c.Frame12->setEnabled(false);
    c.CmbSnapTime = dropDownList(c.Frame12, "CmbSnapTime",
                                 {QStringLiteral("Every 1 Min"), QStringLiteral("Every 2 Mins"),
                                  QStringLiteral("Every 5 Mins"), QStringLiteral("Every 10 Mins"),
                                  QStringLiteral("Every 15 Mins"), QStringLiteral("Every 30 Mins"),
                                  QStringLiteral("Every 60 Mins"), QStringLiteral("Every 2Hrs"),
                                  QStringLiteral("Every 3 Hrs"), QStringLiteral("Every 6 Hrs"),
                                  QStringLiteral("Every 12 Hrs"), QStringLiteral("Every 24 Hrs")});

    c.Frame5 = leftColumnFrame(this, "Frame5", QStringLiteral("Snap Source"), 1440, 975);
    c.cmbSource = dropDownList(c.Frame5, "cmbSource",
                               {QStringLiteral("Live / Color"), QStringLiteral("Live / BW"),
                                QStringLiteral("Tape / Color"), QStringLiteral("Tape / BW")});
    c.chkVidOut = inFrame(new CheckBox(QStringLiteral("Snappy Video Out"), c.Frame5), "chkVidOut",
                          twipsRect(120, 600, 1935, 255));

    c.Frame2 = leftColumnFrame(this, "Frame2", QStringLiteral("Snap Size"), 2400, 735);
    c.CmbSize = dropDownList(c.Frame2, "CmbSize",
                             {QStringLiteral("160 x 120"), QStringLiteral("320 x 240"),
                              QStringLiteral("640 x 480"), QStringLiteral("800 x 600")});

    c.Frame3 = leftColumnFrame(this, "Frame3", QStringLiteral("Snap Color"), 3120, 1215);
    c.cmbColor =
        dropDownList(c.Frame3, "cmbColor",
                     {QStringLiteral("4 bit 16 Colors"), QStringLiteral("8 Bit 256 colors"),
                      QStringLiteral("16 Bit High Color"), QStringLiteral("24 Bit True Color")});
    c.chkNegative = inFrame(new CheckBox(QStringLiteral("Negative"), c.Frame3), "chkNegative",
                            twipsRect(120, 600, 1935, 255));
    c.chkOptimized = inFrame(new CheckBox(QStringLiteral("Optimized Color Palette"), c.Frame3),
                             "chkOptimized", twipsRect(120, 840, 1935, 255));
    c.chkOptimized->setChecked(true);

    c.Frame4 = leftColumnFrame(this, "Frame4", QStringLiteral("Snap Method"), 4320, 735);
    c.cmbSnapMethod = dropDownList(
        c.Frame4, "cmbSnapMethod",
        {QStringLiteral("1 Frame - 1x Sample"), QStringLiteral("1 Frame - 2x Sample"),
         QStringLiteral("2 Frame - 2x Sample"), QStringLiteral("35ns High Definition")});

    c.Frame15 = leftColumnFrame(this, "Frame15", QStringLiteral("Processing Filter"), 5040, 735);
    c.cmbProcessFilter =
        dropDownList(c.Frame15, "cmbProcessFilter",
                     {QStringLiteral("Fast (Low Quality)"), QStringLiteral("Normal"),
                      QStringLiteral("Slow (High Quality)")});

    c.Frame16 = leftColumnFrame(this, "Frame16", QStringLiteral("Save Method"), 5760, 1335);
    c.optNoSave = inFrame(new OptionButton(QStringLiteral("Don't Save Snaps"), c.Frame16),
                          "optNoSave", twipsRect(120, 240, 1935, 255));
    c.opSameName = inFrame(new OptionButton(QStringLiteral("Save Same Name"), c.Frame16),
                           "opSameName", twipsRect(120, 480, 1935, 255));
    c.optIncremental = inFrame(new OptionButton(QStringLiteral("Save Incremental "), c.Frame16),
                               "optIncremental", twipsRect(120, 720, 1935, 255));
    c.cmdFileInfo = inFrame(new QPushButton(QStringLiteral("Set Path/File/Type"), c.Frame16),
                            "cmdFileInfo", twipsRect(120, 960, 1935, 315));

    c.Frame17 = frame(this, "Frame17", QStringLiteral("Current Path and File Name"),
                      twipsRect(120, 7200, 4095, 615));
    c.Frame17->setFont(frameCaptionFont(9.75));
    c.lblPath = inFrame(new PlainLabel(QStringLiteral("lblPath"), c.Frame17), "lblPath",
                        twipsRect(120, 240, 3855, 255));

    c.Frame18 = frame(this, "Frame18", QStringLiteral("Progress"), twipsRect(120, 7800, 4095, 975));
    c.Frame18->setFont(frameCaptionFont(12));
    c.lblProgressBar = inFrame(new PlainLabel(QStringLiteral("lblProgressBar"), c.Frame18),
                               "lblProgressBar", twipsRect(120, 360, 2895, 255));
    c.prgBar = inFrame(new ProgressBar(c.Frame18), "prgBar", twipsRect(120, 600, 3855, 255));

    c.imgDisplay = place(new PictureBox(this), "imgDisplay", twipsRect(2640, 120, 9615, 7215));
    c.imgDisplay->setBorder(true);
    c.imgDisplay->setAccessibleName(QStringLiteral("Picture"));
    c.imgDisplay->setAccessibleDescription(QStringLiteral("No picture yet"));
    c.imgTemp = place(new PictureBox(this), "imgTemp", twipsRect(8880, 480, 735, 495));
    c.imgTemp->hide();
    c.lblNextSnap = place(new PlainLabel(QStringLiteral("Label1"), this), "lblNextSnap",
                          twipsRect(7170, 0, 555, 255));
    c.lblNextSnap->setAutoFillBackground(true);
    c.lblNextSnap->hide();

    c.tmrDelaySnap = intervalTimer(this, "tmrDelaySnap", 1000, Qt::PreciseTimer);
    c.tmrprogressbaraquire = intervalTimer(this, "tmrprogressbaraquire", 250);

    struct SliderPlace {
        AdjustmentSlider *CaptureControls::*slider;
        const char *sliderName;
        const char *frameName;
        const char *caption;
        const char *fullName;
    };
    const SliderPlace sliders[] = {
        {&CaptureControls::sldBright, "sldBright", "Frame6", "Bright", "Brightness"},
        {&CaptureControls::sldContrast, "sldContrast", "Brightness", "Contrast", "Contrast"},
        {&CaptureControls::sldGamma, "sldGamma", "Frame11", "Gamma", "Gamma"},
        {&CaptureControls::sldSharpness, "sldSharpness", "Frame10", "Sharp", "Sharpness"},
        {&CaptureControls::sldSaturation, "sldSaturation", "Frame9", "Saturatn", "Saturation"},
        {&CaptureControls::sldTint, "sldTint", "Frame8", "Tint", "Tint"},
        {&CaptureControls::sldRed, "sldRed", "Frame7", "Red", "Red"},
        {&CaptureControls::sldGreen, "sldGreen", "Frame14", "Green", "Green"},
        {&CaptureControls::sldBlue, "sldBlue", "Frame13", "Blue", "Blue"},
    };
    int left = 4320;
    for (const SliderPlace &s : sliders) {
        const int width = (s.slider == &CaptureControls::sldBlue) ? 975 : 855;
        QGroupBox *box =
            frame(this, s.frameName, QLatin1String(s.caption), twipsRect(left, 7320, width, 1335));
        c.*s.slider = place(new AdjustmentSlider(box), s.sliderName, twipsRect(120, 240, 630, 975));
        // The frames' captions are cut short to fit; a screen reader has room.
        (c.*s.slider)->setAccessibleName(QLatin1String(s.fullName));
        left += 840;
    }

    // The picture box and the countdown share the top of the window; the
    // countdown stays readable above the picture.
    c.lblNextSnap->raise();

    QWidget *tabOrder[] = {c.sldBright,     c.sldContrast,      c.sldGamma,     c.sldSharpness,
                           c.sldSaturation, c.sldTint,          c.sldRed,       c.sldGreen,
                           c.sldBlue,       c.cmbSnapMode,      c.CmbSize,      c.cmbColor,
                           c.cmbSnapMethod, c.chkNegative,      c.chkOptimized, c.cmbSource,
                           c.chkVidOut,     c.cmbProcessFilter, c.CmbSnapTime,  c.optNoSave,
                           c.opSameName,    c.optIncremental,   c.cmdFileInfo};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    c.sldBright->setFocus();
    return c;
}

void Lumivane::connectHandlers()
{
    const CaptureControls &c = m_controls;
    connect(c.cmbSnapMode, &DropDownList::Click, this, [this] { m_snapMode.cmbSnapMode_Click(); });
    connect(c.CmbSnapTime, &DropDownList::Click, this, [this] { m_schedule.CmbSnapTime_Click(); });
    connect(c.tmrDelaySnap, &QTimer::timeout, this, [this] { m_schedule.tmrDelaySnap_Timer(); });
    connect(c.tmrprogressbaraquire, &QTimer::timeout, this,
            [this] { m_progress.tmrprogressbaraquire_Timer(); });
    connect(c.optNoSave, &OptionButton::Click, this, [this] { m_saveMethod.optNoSave_Click(); });
    connect(c.opSameName, &OptionButton::Click, this, [this] { m_saveMethod.opSameName_Click(); });
    connect(c.optIncremental, &OptionButton::Click, this,
            [this] { m_saveMethod.optIncremental_Click(); });
    connect(c.cmdFileInfo, &QPushButton::clicked, this,
            [this] { m_saveMethod.cmdFileInfo_Click(); });

    for (const AdjustmentSliders::Member &member : m_sliders.members()) {
        AdjustmentSlider *slider = member.slider;
        connect(slider, &AdjustmentSlider::Change, this,
                [this, slider] { m_sliders.Change(slider); });
        connect(slider, &AdjustmentSlider::Scroll, this,
                [this, slider] { m_sliders.Scroll(slider); });
    }

    snappy::SnappyDevice *device = m_device.get();
    connect(device, &snappy::SnappyDevice::AcquiringData, this,
            [this] { m_progress.Snappy1_AcquiringData(); });
    connect(device, &snappy::SnappyDevice::ProcessingData, this,
            [this] { m_progress.Snappy1_ProcessingData(); });
    connect(device, &snappy::SnappyDevice::SnapDone, this,
            [this] { m_completion.Snappy1_SnapDone(); });
    connect(device, &snappy::SnappyDevice::PictureUpdated, this,
            [this] { m_completion.Snappy1_PictureUpdated(); });
    connect(device, &snappy::SnappyDevice::failed, &m_saveFailureNotice,
            &SaveFailureNotice::reportDeviceFailure);
}

void Lumivane::Form_Load()
{
    resize(twipsToPixels(12045), twipsToPixels(9040));

    PictureBox *display = m_controls.imgDisplay;
    display->resize(640, display->height());
    display->resize(display->width(), 480);
    display->move(display->x(), 0);
    display->move(width() - display->width(), display->y());

    m_state.sDefaultPath = platform::defaultSnapFolder();
    m_state.sCurrentpath = m_state.sDefaultPath;
    m_state.sFileName = QStringLiteral("Lumivane");
    m_state.sFileType = QStringLiteral("bmp");
    m_state.iCurrentImageNumber = 0;

    m_controls.cmbSnapMode->select(static_cast<int>(SnapMode::Off));
    m_controls.CmbSnapTime->setEnabled(false);
    m_controls.CmbSnapTime->select(0);
    m_controls.cmbSource->select(0);
    m_controls.CmbSize->select(2);
    m_controls.cmbColor->select(3);
    m_controls.cmbSnapMethod->select(1);
    m_controls.cmbProcessFilter->select(2);
    m_controls.optNoSave->select();

    m_controls.lblPath->setText(snapFileName(m_state));
    m_controls.lblPath->setToolTip(snapFileName(m_state));
    m_controls.lblProgressBar->setText(status::Waiting);
}
