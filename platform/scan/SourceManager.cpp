// The program's source manager: a module exporting DSM_Entry that maps the
// client's triplets onto the scanner library (SANE). Each SANE device is one
// source; the source's own user interface is a small dialog (mode,
// resolution, Scan) whose events reach the client as window messages posted
// to its window and handed back through MSG_PROCESSEVENT.
#include "platform/scan/SaneDevice.h"
#include "platform/scan/Twain.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/Wnd.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using twainsane::SaneDevice;

struct DeviceEntry {
    std::string name, vendor, model;
};

struct ManagerState {
    bool open = false;
    HWND parent = nullptr;
    TW_UINT16 condition = TWCC_SUCCESS;
    std::vector<DeviceEntry> devices;
    // The open source.
    std::unique_ptr<SaneDevice> device;
    TW_IDENTITY source{};
    bool enabled = false;
    TW_INT16 xferCount = -1;
    bool imageDone = false;
    // A child of the application's window: gone with it if that goes first.
    QPointer<QDialog> dialog;
};

ManagerState& State()
{
    static ManagerState state;
    return state;
}

TW_UINT16 Fail(TW_UINT16 condition)
{
    State().condition = condition;
    return TWRC_FAILURE;
}

void RefreshDevices()
{
    ManagerState& s = State();
    s.devices.clear();
    const SANE_Device** list = nullptr;
    if (sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || list == nullptr) return;
    for (const SANE_Device** d = list; *d != nullptr; ++d)
        s.devices.push_back({(*d)->name ? (*d)->name : "", (*d)->vendor ? (*d)->vendor : "",
                             (*d)->model ? (*d)->model : ""});
}

// Identity of device index i: Id is the index + 1, the product name the device name.
void FillSourceIdentity(std::size_t i, TW_IDENTITY& id)
{
    const DeviceEntry& d = State().devices[i];
    std::memset(&id, 0, sizeof id);
    id.Id = static_cast<TW_UINT32>(i + 1);
    id.Version.MajorNum = 1;
    id.Version.Language = TWLG_ENGLISH_USA;
    id.Version.Country = TWCY_USA;
    TwainSetText(id.Version.Info, "SANE");
    id.ProtocolMajor = 1;
    id.ProtocolMinor = 8;
    id.SupportedGroups = DG_CONTROL | DG_IMAGE;
    TwainSetText(id.Manufacturer, d.vendor);
    TwainSetText(id.ProductFamily, d.model);
    TwainSetText(id.ProductName, d.name);
}

// The device an identity names: by Id, else by product name.
const DeviceEntry* DeviceOf(const TW_IDENTITY& id)
{
    const std::vector<DeviceEntry>& devices = State().devices;
    if (id.Id >= 1 && id.Id <= devices.size()) return &devices[id.Id - 1];
    const std::string name(id.ProductName, strnlen(id.ProductName, sizeof(TW_STR32)));
    for (const DeviceEntry& d : devices)
        if (!name.empty() && d.name.compare(0, sizeof(TW_STR32) - 1, name) == 0) return &d;
    return nullptr;
}

QWidget* ParentWidget()
{
    CWnd* wnd = CWnd::FromHandle(State().parent);
    return wnd != nullptr ? wnd->GetWidget() : nullptr;
}

void PostSourceEvent(TW_UINT16 message)
{
    if (CWnd* wnd = CWnd::FromHandle(State().parent)) wnd->PostMessage(kTwainSourceEventMessage, message, 0);
}

TW_UINT16 UserSelect(TW_IDENTITY* id)
{
    ManagerState& s = State();
    RefreshDevices();
    if (s.devices.empty()) return Fail(TWCC_NODS);
    QDialog dialog(ParentWidget());
    dialog.setObjectName(QStringLiteral("twainSelectSource"));
    dialog.setWindowTitle(QStringLiteral("Select Source"));
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("sources"));
    int current = 0;
    for (std::size_t i = 0; i < s.devices.size(); ++i) {
        const DeviceEntry& d = s.devices[i];
        list->addItem(QString::fromStdString(d.name + "  (" + d.vendor + " " + d.model + ")"));
        if (DeviceOf(*id) == &d) current = static_cast<int>(i);
    }
    list->setCurrentRow(current);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Select"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Sources:"), &dialog));
    layout->addWidget(list);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0) return TWRC_CANCEL;
    FillSourceIdentity(static_cast<std::size_t>(list->currentRow()), *id);
    return TWRC_SUCCESS;
}

// The source's own dialog: mode, resolution, Scan and Close.
QDialog* MakeSourceDialog(SaneDevice& device, const TW_IDENTITY& id)
{
    auto* dialog = new QDialog(ParentWidget());
    dialog->setObjectName(QStringLiteral("twainSource"));
    dialog->setWindowTitle(QString::fromLatin1(id.ProductName, static_cast<int>(strnlen(id.ProductName, 34))));
    auto* mode = new QComboBox(dialog);
    mode->setObjectName(QStringLiteral("mode"));
    for (const std::string& m : device.Modes()) mode->addItem(QString::fromStdString(m));
    mode->setCurrentText(QString::fromStdString(device.Mode()));
    auto* resolution = new QSpinBox(dialog);
    resolution->setObjectName(QStringLiteral("resolution"));
    const auto [lo, hi] = device.ResolutionRange();
    resolution->setRange(lo, hi);
    resolution->setValue(device.Resolution());
    resolution->setSuffix(QStringLiteral(" dpi"));
    auto* scan = new QPushButton(QStringLiteral("Scan"), dialog);
    scan->setObjectName(QStringLiteral("scan"));
    scan->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("Close"), dialog);
    close->setObjectName(QStringLiteral("close"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Mode:"), mode);
    form->addRow(QStringLiteral("Resolution:"), resolution);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(scan);
    row->addWidget(close);
    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(form);
    layout->addLayout(row);
    SaneDevice* dev = &device;
    QObject::connect(scan, &QPushButton::clicked, dialog, [dev, mode, resolution] {
        if (!mode->currentText().isEmpty()) dev->SetMode(mode->currentText().toStdString());
        if (resolution->maximum() > 0) dev->SetResolution(resolution->value());
        State().imageDone = false;  // each press offers one page
        PostSourceEvent(MSG_XFERREADY);
    });
    // Closing the dialog asks the application to close the source.
    QObject::connect(close, &QPushButton::clicked, dialog, [] { PostSourceEvent(MSG_CLOSEDSREQ); });
    QObject::connect(dialog, &QDialog::rejected, dialog, [] { PostSourceEvent(MSG_CLOSEDSREQ); });
    return dialog;
}

void DeleteDialog()
{
    delete State().dialog.data();
    State().dialog = nullptr;
}

void CloseSource()
{
    ManagerState& s = State();
    DeleteDialog();
    s.device.reset();
    s.enabled = false;
    s.imageDone = false;
    s.xferCount = -1;
}

TW_UINT16 Identity(TW_UINT16 msg, TW_IDENTITY* id)
{
    ManagerState& s = State();
    if (id == nullptr) return Fail(TWCC_BADVALUE);
    switch (msg) {
    case MSG_GETDEFAULT:
        RefreshDevices();
        if (s.devices.empty()) return Fail(TWCC_NODS);
        FillSourceIdentity(0, *id);
        return TWRC_SUCCESS;
    case MSG_USERSELECT: return UserSelect(id);
    case MSG_OPENDS: {
        if (s.device) return Fail(TWCC_MAXCONNECTIONS);
        if (s.devices.empty()) RefreshDevices();
        const DeviceEntry* d = DeviceOf(*id);
        if (d == nullptr) return Fail(TWCC_NODS);
        auto device = std::make_unique<SaneDevice>(d->name);
        if (!device->IsOpen()) return Fail(TWCC_OPERATIONERROR);
        FillSourceIdentity(static_cast<std::size_t>(d - s.devices.data()), *id);
        s.source = *id;
        s.device = std::move(device);
        return TWRC_SUCCESS;
    }
    case MSG_CLOSEDS:
        if (!s.device) return Fail(TWCC_SEQERROR);
        CloseSource();
        return TWRC_SUCCESS;
    default: return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 Capability(TW_UINT16 msg, TW_CAPABILITY* cap)
{
    ManagerState& s = State();
    if (!s.device) return Fail(TWCC_SEQERROR);
    if (cap == nullptr) return Fail(TWCC_BADVALUE);
    if (cap->Cap != CAP_XFERCOUNT) return Fail(TWCC_CAPUNSUPPORTED);
    if (msg == MSG_GET) {
        cap->ConType = TWON_ONEVALUE;
        cap->hContainer = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
        auto* one = static_cast<TW_ONEVALUE*>(GlobalLock(cap->hContainer));
        if (one == nullptr) return Fail(TWCC_LOWMEMORY);
        one->ItemType = TWTY_INT16;
        one->Item = static_cast<TW_UINT16>(s.xferCount);
        GlobalUnlock(cap->hContainer);
        return TWRC_SUCCESS;
    }
    if (msg != MSG_SET) return Fail(TWCC_BADPROTOCOL);
    if (cap->ConType != TWON_ONEVALUE || GlobalSize(cap->hContainer) < sizeof(TW_ONEVALUE)) return Fail(TWCC_BADVALUE);
    const auto* one = static_cast<const TW_ONEVALUE*>(GlobalLock(cap->hContainer));
    const auto count = static_cast<TW_INT16>(static_cast<TW_UINT16>(one->Item));
    GlobalUnlock(cap->hContainer);
    if (count == 0 || count < -1) return Fail(TWCC_BADVALUE);
    s.xferCount = count;
    return TWRC_SUCCESS;
}

TW_UINT16 UserInterface(TW_UINT16 msg, TW_USERINTERFACE* ui)
{
    ManagerState& s = State();
    if (!s.device) return Fail(TWCC_SEQERROR);
    if (msg == MSG_ENABLEDS) {
        if (ui == nullptr) return Fail(TWCC_BADVALUE);
        if (s.enabled) return Fail(TWCC_SEQERROR);
        s.enabled = true;
        s.imageDone = false;
        ui->ModalUI = 0;
        if (ui->ShowUI) {
            s.dialog = MakeSourceDialog(*s.device, s.source);
            s.dialog->show();
        } else {
            PostSourceEvent(MSG_XFERREADY);
        }
        return TWRC_SUCCESS;
    }
    if (msg == MSG_DISABLEDS) {
        if (!s.enabled) return Fail(TWCC_SEQERROR);
        DeleteDialog();
        s.device->Cancel();
        s.enabled = false;
        return TWRC_SUCCESS;
    }
    return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 ProcessEvent(TW_EVENT* event)
{
    ManagerState& s = State();
    if (event == nullptr || event->pEvent == nullptr) return Fail(TWCC_BADVALUE);
    const auto* msg = static_cast<const MSG*>(event->pEvent);
    event->TWMessage = MSG_NULL;
    if (!s.enabled || msg->message != kTwainSourceEventMessage || msg->hwnd != s.parent) return TWRC_NOTDSEVENT;
    event->TWMessage = static_cast<TW_UINT16>(msg->wParam);
    return TWRC_DSEVENT;
}

TW_FIX32 Fix32(int value) { return TW_FIX32{static_cast<TW_INT16>(value), 0}; }

TW_UINT16 ImageInfo(TW_IMAGEINFO* info)
{
    ManagerState& s = State();
    if (!s.enabled) return Fail(TWCC_SEQERROR);
    if (info == nullptr) return Fail(TWCC_BADVALUE);
    // One page per Scan press: after it the source has nothing more.
    if (s.imageDone || !s.device->Start()) return Fail(TWCC_OPERATIONERROR);
    const SANE_Parameters& p = s.device->Parameters();
    twainsane::FrameLayout layout{p.format == SANE_FRAME_RGB, p.depth, p.pixels_per_line, p.bytes_per_line, p.lines};
    const int bpp = p.last_frame && (p.format == SANE_FRAME_GRAY || p.format == SANE_FRAME_RGB)
                        ? twainsane::DibBitsPerPixel(layout)
                        : 0;
    if (bpp == 0) {
        s.device->Cancel();
        return Fail(TWCC_BADVALUE);
    }
    std::memset(info, 0, sizeof *info);
    const int dpi = s.device->Resolution();
    info->XResolution = Fix32(dpi);
    info->YResolution = Fix32(dpi);
    info->ImageWidth = p.pixels_per_line;
    info->ImageLength = p.lines;
    info->SamplesPerPixel = static_cast<TW_INT16>(bpp == 24 ? 3 : 1);
    for (int i = 0; i < info->SamplesPerPixel; ++i) info->BitsPerSample[i] = static_cast<TW_INT16>(bpp == 24 ? 8 : bpp);
    info->BitsPerPixel = static_cast<TW_INT16>(bpp);
    info->PixelType = bpp == 1 ? TWPT_BW : bpp == 8 ? TWPT_GRAY : TWPT_RGB;
    return TWRC_SUCCESS;
}

TW_UINT16 NativeTransfer(TW_HANDLE* handle)
{
    ManagerState& s = State();
    if (!s.enabled || !s.device->IsScanning()) return Fail(TWCC_SEQERROR);
    if (handle == nullptr) return Fail(TWCC_BADVALUE);
    std::optional<std::vector<std::uint8_t>> dib = s.device->ReadDib();
    s.imageDone = true;
    if (!dib) return Fail(TWCC_OPERATIONERROR);
    HGLOBAL block = GlobalAlloc(GHND, dib->size());
    if (block == nullptr) return Fail(TWCC_LOWMEMORY);
    std::memcpy(GlobalLock(block), dib->data(), dib->size());
    GlobalUnlock(block);
    *handle = block;
    return TWRC_XFERDONE;
}

TW_UINT16 PendingTransfers(TW_UINT16 msg, TW_PENDINGXFERS* pending)
{
    ManagerState& s = State();
    if (!s.enabled) return Fail(TWCC_SEQERROR);
    if (pending == nullptr || (msg != MSG_ENDXFER && msg != MSG_RESET)) return Fail(TWCC_BADVALUE);
    s.device->Cancel();
    s.imageDone = true;
    pending->Count = 0;
    pending->EOJ = 0;
    return TWRC_SUCCESS;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) TW_UINT16 DSM_Entry(TW_IDENTITY* origin, TW_IDENTITY* dest,
                                                                      TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                                                      TW_MEMREF data)
{
    ManagerState& s = State();
    if (origin == nullptr) return Fail(TWCC_BADVALUE);
    if (dg == DG_CONTROL && dat == DAT_STATUS && msg == MSG_GET) {
        auto* status = static_cast<TW_STATUS*>(data);
        if (status == nullptr) return TWRC_FAILURE;
        status->ConditionCode = s.condition;
        status->Reserved = 0;
        s.condition = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    if (dg == DG_CONTROL && dat == DAT_PARENT) {
        auto* parent = static_cast<HWND*>(data);
        if (msg == MSG_OPENDSM) {
            if (s.open) return Fail(TWCC_SEQERROR);
            if (parent == nullptr || !IsWindow(*parent)) return Fail(TWCC_BADVALUE);
            SANE_Int version = 0;
            if (sane_init(&version, nullptr) != SANE_STATUS_GOOD) return Fail(TWCC_BUMMER);
            s.open = true;
            s.parent = *parent;
            return TWRC_SUCCESS;
        }
        if (msg == MSG_CLOSEDSM) {
            if (!s.open) return Fail(TWCC_SEQERROR);
            if (s.device) return Fail(TWCC_SEQERROR);  // the source is closed first
            sane_exit();
            s = ManagerState{};
            return TWRC_SUCCESS;
        }
        return Fail(TWCC_BADPROTOCOL);
    }
    if (!s.open) return Fail(TWCC_SEQERROR);
    if (dg == DG_CONTROL && dat == DAT_IDENTITY) return Identity(msg, static_cast<TW_IDENTITY*>(data));
    // The rest goes to the open source.
    if (dest == nullptr || !s.device) return Fail(TWCC_BADPROTOCOL);
    if (dg == DG_CONTROL && dat == DAT_CAPABILITY) return Capability(msg, static_cast<TW_CAPABILITY*>(data));
    if (dg == DG_CONTROL && dat == DAT_USERINTERFACE) return UserInterface(msg, static_cast<TW_USERINTERFACE*>(data));
    if (dg == DG_CONTROL && dat == DAT_EVENT && msg == MSG_PROCESSEVENT) return ProcessEvent(static_cast<TW_EVENT*>(data));
    if (dg == DG_CONTROL && dat == DAT_PENDINGXFERS) return PendingTransfers(msg, static_cast<TW_PENDINGXFERS*>(data));
    if (dg == DG_IMAGE && dat == DAT_IMAGEINFO && msg == MSG_GET) return ImageInfo(static_cast<TW_IMAGEINFO*>(data));
    if (dg == DG_IMAGE && dat == DAT_IMAGENATIVEXFER && msg == MSG_GET)
        return NativeTransfer(static_cast<TW_HANDLE*>(data));
    return Fail(TWCC_BADPROTOCOL);
}
