; Setup program of Velmora for Windows 10/11 (x64), made by scripts/windows-build.sh with makensis:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.0 -DDEPLOY=<folder> -DOUTFILE=<setup.exe> velmora.nsi
; Installs the folder DEPLOY into Program Files for all users, with Start-menu entries and an uninstaller.
; The workshop folders in the users' Documents (Config.xml, logos, work records) belong to the users:
; the uninstaller never touches them. /S installs and uninstalls silently.
Unicode true
; A 64-bit installer: it starts only on the 64-bit Windows the program needs, and sees the 64-bit
; Program Files and registry.
Target amd64-unicode
!include "MUI2.nsh"

!define APP "Velmora"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"
InstallDirRegKey HKLM "Software\${APP}" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
BrandingText "${APP} ${VERSION}"

!define MUI_ICON "${DEPLOY}\velmora.ico"
!define MUI_UNICON "${DEPLOY}\velmora.ico"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Section "Velmora"
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    File /r "${DEPLOY}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateDirectory "$SMPROGRAMS\${APP}"
    CreateShortCut "$SMPROGRAMS\${APP}\Velmora.lnk" "$INSTDIR\velmora-workshop.exe" "" "$INSTDIR\velmora.ico"
    ; Practice on the simulated unit inside the program, in the training workshop next to the real one.
    CreateShortCut "$SMPROGRAMS\${APP}\Velmora — учебный режим.lnk" "$INSTDIR\velmora-workshop.exe" \
        "--training" "$INSTDIR\velmora.ico"
    CreateShortCut "$SMPROGRAMS\${APP}\Удалить Velmora.lnk" "$INSTDIR\uninstall.exe"

    WriteRegStr HKLM "Software\${APP}" "InstallDir" "$INSTDIR"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${APP} ${VERSION}"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "Velmora developers"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\velmora.ico"
    WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    Delete "$SMPROGRAMS\${APP}\*.lnk"
    RMDir "$SMPROGRAMS\${APP}"
    ; Only the installation folder: the workshop folders in Documents stay.
    RMDir /r "$INSTDIR"
    DeleteRegKey HKLM "${UNINST_KEY}"
    DeleteRegKey HKLM "Software\${APP}"
SectionEnd
