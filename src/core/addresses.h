#pragma once

// The web pages the program knows. Every command that opens one kind of page
// uses the same constant, so a moved page is fixed in one place.

// The maker's web site. The maker has no site of its own any more; the
// reserved example domain keeps the link from leading anywhere unrelated.
inline constexpr char MakerSiteAddress[] = "https://www.example.org/";

// The Plua interpreter's home page. The author's site is gone; the web
// archive's copy of its home page is the best surviving one.
inline constexpr char PluaHomeAddress[] =
    "https://web.archive.org/web/2005/http://netpage.em.com.br/mmand/plua.htm";

// The Lua language's home page.
inline constexpr char LuaHomeAddress[] = "https://www.lua.org/";

// Where to download the Plua interpreter. The Palm software store that sold
// it has closed; the author's own published releases and source are the
// download that survives.
inline constexpr char PluaStoreAddress[] = "https://github.com/migueletto/plua";

// The order page through which donations were paid. No such store exists,
// so the address stays on the reserved example domain.
inline constexpr char DonationStoreAddress[] =
    "https://www.example.org/store/order?product=scrivlet-ide";
