#include "maincommands.h"

#include "frmmain.h"

#include "document/editcommands.h"
#include "document/projectdocument.h"
#include "info/helpwindows.h"
#include "lang/codeinsertion.h"
#include "output/palmdocexport.h"
#include "output/printing.h"
#include "output/textexport.h"
#include "session/programstate.h"

namespace MainCommands {

namespace {

const Menu Menus[] = {
    {"mnuFile",
     "&File",
     {
         {"mnuFileNew", "&New", "Ctrl+N", [](frmMain &w) { w.document().newProject(); }},
         {"mnuFileOpen", "&Open...", "Ctrl+O", [](frmMain &w) { w.document().open(); }},
         {"mnuFileBar0", "-", nullptr, nullptr},
         {"mnuFileSave", "&Save", "Ctrl+S", [](frmMain &w) { w.document().save(); }},
         {"mnuFileSaveAs", "Save &As...", nullptr, [](frmMain &w) { w.document().saveAs(); }},
         {"mnuPRCexport", "&Export To .prc", nullptr,
          [](frmMain &w) {
              Output::exportPalmDoc(w.host(), w.document(), w.program().converter());
          }},
         {"mnutxtExport", "&Export To .txt", nullptr,
          [](frmMain &w) { Output::exportText(w.host(), w.document()); }},
         {"mnuFileBar1", "-", nullptr, nullptr},
         {"mnuFilePrint", "&Print", "Ctrl+P",
          [](frmMain &w) { Output::printDocument(w.host(), w.document(), w); }},
         {"mnuFileBar2", "-", nullptr, nullptr},
         {"mnuFileExit", "E&xit", nullptr, [](frmMain &w) { w.close(); }},
     }},
    {"mnuEdit",
     "&Edit",
     {
         {"mnuEditCut", "Cu&t", nullptr,
          [](frmMain &w) { EditCommands::cut(w.host(), *w.editor()); }},
         {"mnuEditCopy", "&Copy", nullptr,
          [](frmMain &w) { EditCommands::copy(w.host(), *w.editor()); }},
         {"mnuEditPaste", "&Paste", nullptr,
          [](frmMain &w) { EditCommands::paste(w.host(), *w.editor()); }},
     }},
    {"mnuInsert",
     "&Insert",
     {
         {"mnuNewFunction", "New Function", "Ctrl+F",
          [](frmMain &w) { CodeInsertion::insertNewFunction(w.host(), *w.editor()); }},
         {"mnuComment", "Comment", "Ctrl+M",
          [](frmMain &w) { CodeInsertion::insertComment(w.host(), *w.editor()); }},
     }},
    {"mnuHelp",
     "&Help",
     {
         {"mnuinfoplua", "What is (P)LUA?", nullptr,
          [](frmMain &w) { HelpWindows::showPluaInfo(w.program()); }},
         {"mnupluawhere", "Where to get PLua?", nullptr,
          [](frmMain &w) { HelpWindows::showPluaWhere(w.program()); }},
         {"mnuInstallationInstructions", "PLua Installation Instructions", nullptr,
          [](frmMain &w) { HelpWindows::showInstallationInstructions(w.program()); }},
         {"Linebetween", "-", nullptr, nullptr},
         {"hollinlink", "Hollin Development", nullptr,
          [](frmMain &w) { HelpWindows::openMakerSite(w.program()); }},
         {"plualink", "PLua Homepage", nullptr,
          [](frmMain &w) { HelpWindows::openPluaHome(w.program()); }},
         {"lualink", "Lua Homepage", nullptr,
          [](frmMain &w) { HelpWindows::openLuaHome(w.program()); }},
         {"mnuHelpBar2", "-", nullptr, nullptr},
         {"mnuDonate", "Donate", nullptr,
          [](frmMain &w) { HelpWindows::showDonations(w.program()); }},
         {"mnuHelpBar3", "-", nullptr, nullptr},
         {"mnuHelpAbout", "&About ", nullptr,
          [](frmMain &w) { HelpWindows::showAbout(w.program(), &w); }},
     }},
};

// In the order they appear: the conveniences after File's and Edit's own
// items, then the Run and Debug menus after Help.
const MergePlace MergePlaces[] = {
    {"file", "mnuFile"},
    {"edit", "mnuEdit"},
    {"run", nullptr},
    {"debug", nullptr},
};

// clang-format off
const ToolButton ToolButtons[] = {
    {"New",   "mnuFileNew",   "document-new",   ":/icons/new.svg"},
    {"Open",  "mnuFileOpen",  "document-open",  ":/icons/open.svg"},
    {"Save",  "mnuFileSave",  "document-save",  ":/icons/save.svg"},
    {nullptr, nullptr,        nullptr,          nullptr},
    {"Print", "mnuFilePrint", "document-print", ":/icons/print.svg"},
    {nullptr, nullptr,        nullptr,          nullptr},
    {"Cut",   "mnuEditCut",   "edit-cut",       ":/icons/cut.svg"},
    {"Copy",  "mnuEditCopy",  "edit-copy",      ":/icons/copy.svg"},
    {"Paste", "mnuEditPaste", "edit-paste",     ":/icons/paste.svg"},
};
// clang-format on

} // namespace

std::span<const Menu> menus()
{
    return Menus;
}

std::span<const MergePlace> mergePlaces()
{
    return MergePlaces;
}

std::span<const ToolButton> toolButtons()
{
    return ToolButtons;
}

} // namespace MainCommands
