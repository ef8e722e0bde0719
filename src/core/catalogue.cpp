#include "catalogue.h"

#include <QLatin1StringView>

namespace Catalogue {
namespace {

// One row per function, in the order the list is filled; the list sorts them for display.
// Each help text is one paragraph of plain ASCII that starts with the call signature.
// Some texts are quoted from the Plua reference as they are, spelling and trailing blank included.
constexpr Entry Entries[] = {
    // Screen and drawing
    {"pclear()",
     "pclear([c]): erases the screen with the background color or with the optional c color, and "
     "moves the cursor to 0,0. Returns nothing."},
    {"print()",
     "print(text): writes text on the screen at the cursor with the current font and colors, and "
     "moves the cursor along. Several values may be given; each is converted with tostring. Text "
     "does not wrap at the right edge and the screen does not scroll at the bottom. Returns "
     "nothing."},

    // Database records
    {"listdb()",
     "listdb('creator', 'type'): returns a table with all databases matching the specified type "
     "and creator. Type and creator are either a 4 character string or an empty string to accept "
     "anything."},
    {"opendb()",
     "opendb(name, mode): opens the Palm OS database called name. mode is a string that gives the "
     "kind of access wanted. Returns a handle f that closedb and the record functions take."},
    {"closedb()",
     "closedb(f): closes a database. Returns true if success or nil if an error ocurred. "},
    {"openrec()",
     "openrec(f, i): makes record i of the database f the current record, so that reads and writes "
     "on f act on that record. Records are numbered from 0. Returns the size of the record in "
     "bytes, or nil if an error occurred."},
    {"createrec()",
     "createrec(f, size): adds a new record of size bytes at the end of the database f. The new "
     "record is not opened; call openrec to open it. Returns the index of the new record, or nil "
     "if an error occurred."},
    {"deleterec()",
     "deleterec(f, i): deletes record i (numbered from 0) of the database f. The record must not "
     "be open. Returns a non-nil value on success, or nil if an error occurred."},
    {"closerec()",
     "closerec(f): closes the record that is open in the database f. Returns a non-nil value on "
     "success, or nil if an error occurred."},
    {"resizerec()",
     "resizerec(f, i, size): changes the size of record i (numbered from 0) of the database f to "
     "size bytes. If that record is the open one, it is closed, resized and opened again. Returns "
     "a non-nil value on success, or nil if an error occurred."},

    // Serial and infrared port
    {"openser()",
     "openser(name, baud [,mode]): opens a serial connection on the port called name at a speed of "
     "baud bits per second; the optional mode gives the line format. While data is waiting on the "
     "connection, pevent returns ioPending events. Returns a handle for the connection, which "
     "closeser takes."},
    {"closeser()",
     "closeser(f): closes the serial connection f, the handle that openser returned."},

    // Screen and drawing
    {"pmode()",
     "pmode(): returns 4 numbers: screen width, screen height, screen depth and 1 or 0 indicating "
     "if the screen supports color."},
    {"pcolor()",
     "pcolor(fg [,bg]): sets the foreground color to fg and, when bg is given, the background "
     "color to bg. Colors are numbers made by prgb; on grey or black-and-white screens they are "
     "shown as the nearest grey. Text and drawing use these colors from then on. Returns "
     "nothing."},
    {"prgb()", "prgb(r, g, b): returns the color equivalent to the (Red,Green,Blue) components."},
    {"ppos()",
     "ppos(): returns 2 numbers, the x and y position of the cursor in pixels, where 0,0 is the "
     "top-left corner of the drawing area."},
    {"pmoveto()",
     "pmoveto(x, y): moves the cursor to x, y in pixels, where 0,0 is the top-left corner of the "
     "drawing area, without drawing anything. Returns nothing."},
    {"pline()",
     "pline(x1, y1, x2, y2 [,c]): draws a line from x1, y1 to x2, y2, in pixels, in the foreground "
     "color or in the optional color c (a color from prgb). The cursor ends at x2, y2. Returns "
     "nothing."},
    {"plineto()",
     "plineto(x, y [,c]): draws a line from the cursor to x, y, in pixels, in the foreground color "
     "or in the optional color c (a color from prgb). Returns nothing."},
    {"pset()",
     "pset(x, y [,c]): sets the pixel at x, y to the foreground color or to the optional color c "
     "(a color from prgb). Returns nothing."},
    {"pget()",
     "pget(x, y): returns the color of the pixel at x, y, a color number like those that prgb "
     "returns."},
    {"prect()",
     "prect(x, y, dx, dy [,c]): draws the outline of a rectangle with its top-left corner at x, y, "
     "dx pixels wide and dy pixels high, in the foreground color or in the optional color c (a "
     "color from prgb). Returns nothing."},
    {"pbox()",
     "pbox(x, y, dx, dy [,c]): draws a filled rectangle with its top-left corner at x, y, dx "
     "pixels wide and dy pixels high, in the foreground color or in the optional color c (a color "
     "from prgb). Returns nothing."},
    {"pcircle()",
     "pcircle(x, y, rx, ry [,c]): draws the outline of an ellipse centered at x, y with the "
     "horizontal radius rx and the vertical radius ry, in pixels; equal radii draw a circle. Uses "
     "the foreground color or the optional color c (a color from prgb). Returns nothing."},
    {"pdisc()",
     "pdisc(x, y, rx, ry [,c]): draws a filled ellipse centered at x, y with the horizontal radius "
     "rx and the vertical radius ry, in pixels; equal radii draw a disc. Uses the foreground color "
     "or the optional color c (a color from prgb). Returns nothing."},
    {"pfont()",
     "pfont(f): selects the font for the text written from then on. f is a Palm OS font number: 0 "
     "standard, 1 bold, 2 large, 3 symbol, 4 symbol 11, 5 symbol 7, 6 LED, 7 large bold. Returns 2 "
     "numbers, the average character width and the character height in pixels; the width is only "
     "approximate because the fonts are proportional."},

    // Turtle graphics
    {"pheading()",
     "pheading(g): points the turtle in the direction g, in degrees: 0 points right, 90 up, 180 "
     "left and 270 down, so angles grow counter-clockwise. pwalk draws in this direction. Returns "
     "nothing."},
    {"pturn()",
     "pturn(g): turns the turtle by g degrees from its current heading: positive values turn "
     "counter-clockwise (left), negative values clockwise (right). Returns nothing."},
    {"pwalk()",
     "pwalk(d): draws a line d pixels long from the cursor in the direction of the turtle's "
     "heading, and moves the cursor to the end of the line. Returns nothing."},

    // Bitmaps
    {"popenbmp()",
     "popenbmp(id [,file]): opens the bitmap resource with the number id, searching all open "
     "resource databases, or only the database named file when it is given. Returns a handle for "
     "pdrawbmp and pclosebmp, or nil if the bitmap is not found."},
    {"pdrawbmp()",
     "pdrawbmp(h): draws the bitmap h, opened with popenbmp, with its top-left corner at the "
     "cursor, and moves the cursor past the bitmap's right edge. Returns nothing."},
    {"pclosebmp()",
     "pclosebmp(h): releases the bitmap h that popenbmp opened, once it is no longer needed. "
     "Returns nothing."},

    // Forms and components
    {"ptitle()",
     "ptitle([text]): shows text as the title at the top of the screen; without text the title is "
     "erased. Works only in full-screen (run) mode. Returns nothing."},
    {"pmenu()",
     "pmenu(t): defines the application menu from t, a table of item strings. An item written as "
     "\"X:Text\" shows Text and uses the letter X as its Graffiti shortcut. The item \"About "
     "Plua\" is always present. Choosing an item produces a menuSelect event (see pevent). Returns "
     "nothing."},
    {"plabel()",
     "plabel(text): creates a label showing text at the cursor and moves the cursor to its right. "
     "Returns the label's id, or nil if it could not be created."},
    {"pbutton()",
     "pbutton(text): creates a button with the caption text at the cursor and moves the cursor to "
     "its right. Tapping the button produces a ctlSelect event (see pevent). Returns the button's "
     "id, or nil if it could not be created."},
    {"ppbutton()",
     "ppbutton(text [,g]): creates a pushbutton with the caption text at the cursor and moves the "
     "cursor to its right. A pushbutton stays selected when tapped; pushbuttons given the same "
     "group number g form one set, in which selecting one deselects the others. Returns the "
     "pushbutton's id, or nil if it could not be created."},
    {"prbutton()",
     "prbutton(text): creates a repeating button with the caption text at the cursor and moves the "
     "cursor to its right. While the button is held down it keeps producing ctlRepeat events (see "
     "pevent). Returns the button's id, or nil if it could not be created."},
    {"pcheckbox()",
     "pcheckbox(text): creates a checkbox labelled text at the cursor and moves the cursor to its "
     "right. Its state is 1 when checked and 0 when not (see pgetstate and psetstate). Returns the "
     "checkbox's id, or nil if it could not be created."},
    {"pfield()",
     "pfield(lines, cols, max [,text [, e, u]]): creates a text field at the cursor, lines text "
     "lines high and cols characters wide, that accepts at most max characters, and moves the "
     "cursor below the field. The optional text is the initial contents. e and u tell whether the "
     "field is editable and underlined: nil means no and any other value yes; both default to "
     "yes, and giving them requires giving text too. A field of several lines gets a scroll bar "
     "when its text overflows. Returns the field's id, or nil if it could not be created."},
    {"pfieldattr()",
     "pfieldattr(id, e, u): changes whether the existing field id is editable (e) and underlined "
     "(u); nil means no and any other value yes, as in pfield. Returns nothing."},
    {"psetfocus()",
     "psetfocus(id): gives the input focus to the text field id, so that what the user writes goes "
     "into it. Works on fields only. Returns nothing."},
    {"plist()",
     "plist(lines, cols, t): creates a list at the cursor, lines rows high and cols characters "
     "wide, filled with the strings of the table t, and moves the cursor to its right. Selecting "
     "an item produces a lstSelect event (see pevent). Returns the list's id, or nil if it could "
     "not be created."},
    {"pgettext()",
     "pgettext(id): returns the text of the component id as a string: the caption of a label, "
     "button, pushbutton, repeating button or checkbox, the contents of a field, or the selected "
     "item of a list."},
    {"psettext()",
     "psettext(id, text): replaces the text of the component id with the string text. Works on "
     "labels, buttons, pushbuttons, repeating buttons, checkboxes and fields; a label changes only "
     "if the new text is no longer than the old one. Returns nothing."},
    {"psetstate()",
     "psetstate(id, n): sets the state of the component id: for pushbuttons and checkboxes n is 1 "
     "(selected) or 0 (not selected); for a list n is the index of the item to select, counting "
     "from 0. Returns nothing."},
    {"pnl()",
     "pnl(): starts a new row of components: moves the cursor to the left edge, just below the "
     "tallest component of the current row. Returns nothing."},
    {"ptab()",
     "ptab([n]): advances the cursor 8 pixels to the right. It is useful when separating UI "
     "components on the same line. If n is specified the cursor is advanced 8*n pixels. Returns "
     "nothing."},
    {"pdestroy()",
     "pdestroy(): removes every component (labels, buttons, fields, lists and so on) from the "
     "screen. Returns nothing."},

    // Dialogs
    {"palert()",
     "palert(text): shows text in a modal message box with an OK button and waits until the user "
     "closes it. Returns nothing."},
    {"pconfirm()",
     "pconfirm(text): shows the question text in a modal dialog with Yes and No buttons and waits "
     "for the user's answer. Returns 1 if Yes was pressed."},
    {"pinput()",
     "pinput([text [,initial]]): opens an input dialog with an optional text as title. A second "
     "optional parameter defines the initial value of the input. The user can enter up to 255 "
     "characters of input. The user must press either the Ok or the Cancel button to close the "
     "dialog. Returns a string with the input entered if Ok was pressed, or nil if Cancel was "
     "pressed."},
    {"pselectdate()",
     "pselectdate([text [, y, m, d]]): opens the Palm OS date picker with the optional title text. "
     "y, m and d give the year, month and day shown first; without them the picker starts at "
     "today's date. Returns 3 numbers, the chosen year, month and day, or nil if the user "
     "cancels."},
    {"pselecttime()",
     "pselecttime([text [, h, m]]): opens the Palm OS time picker with the optional title text. h "
     "and m give the hour and minute shown first; without them the picker starts at the current "
     "time. Returns 2 numbers, the chosen hour and minute, or nil if the user cancels."},
    {"pgsi()",
     "pgsi(): places the Graffiti shift indicator, which shows the shift and caps lock state, at "
     "the cursor. Works only in full-screen mode. Returns nothing."},

    // Events, sound and timing
    {"pevent()",
     "pevent(): blocks until an event is generated. Returns the type of the event first, one of "
     "penDown, penUp, penMove, keyDown, ctlSelect, ctlRepeat, lstSelect, menuSelect, ioPending, "
     "and then further values that depend on the kind of event. The type is a number; compare it "
     "with these predefined names, for example if e == ctlSelect then. penDown, penUp and "
     "penMove: the x and y positions of the pen in pixels, relative to the top-left corner of the "
     "drawing area. keyDown: the character code, a number. ctlSelect: the id of the button, "
     "pushbutton or checkbox that was tapped, then its state, 1 or 0. ctlRepeat: the id of the "
     "repeating button held down; the event keeps coming while it is held. lstSelect: the id of "
     "the list, then the index of the selected item, counting from 0. menuSelect: the number of "
     "the item chosen in the menu set up by pmenu. ioPending: no further values; data is waiting "
     "to be read on an open serial connection."},
    {"pbeep()",
     "pbeep(n): plays the Palm OS system sound number n: 1 information, 2 warning, 3 error, 4 "
     "startup, 5 alarm, 6 confirmation, 7 click. Returns nothing."},
    {"psound()",
     "psound(freq,len [,amp]): plays a tone of freq Hz for len milliseconds. The optional amp sets "
     "the volume from 0 (silent) to 64, which is the default and the loudest. Returns nothing."},
    {"psleep()",
     "psleep(s [, ms]): pauses the program for s seconds. The optional second argument ms is a "
     "time in milliseconds. Returns nothing."},

    // Listed so that psetstate has its counterpart in the list.
    {"pgetstate()",
     "pgetstate(id): returns the state of the component with the given id: 1 or 0 for pushbuttons "
     "and checkboxes, and the index of the selected item for lists, counting from 0."},
};

} // namespace

std::span<const Entry> entries()
{
    return Entries;
}

QString helpFor(QStringView listText)
{
    for (const Entry &entry : Entries) {
        if (listText.compare(QLatin1StringView(entry.listText), Qt::CaseSensitive) == 0)
            return QString::fromLatin1(entry.helpText);
    }
    return {};
}

} // namespace Catalogue
