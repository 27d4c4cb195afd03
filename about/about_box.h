// CAboutBox: the program's name and version, the image library's version,
// the notice lines, a link to the maker's web page and the way to the
// technical support help topic.
#pragma once

#include <cstdint>
#include <string>

#include "about/link_static.h"
#include "platform/framework/dialog.h"

class CAboutBox : public framework::CDialog {
public:
    explicit CAboutBox(QWidget* parent = nullptr);

    BOOL OnInitDialog() override;
    BOOL OnCommand(UINT id, UINT code) override;

    // The box's template.
    static const res::DialogTemplate& Template();
    // "DLL: v1.10 build 46" for the library's answer 0x0110002E.
    static std::string FormatLibraryVersion(uint32_t answer);

    CLinkStatic m_link;
    // Where the library's version comes from, asked on every opening (tests
    // put their own answers here).
    uint32_t (*m_imageLibraryVersion)();
};
