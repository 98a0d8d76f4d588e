; Installs the SampleBlur plug-in into the host application's folder and
; registers it in the host's configuration file, using Install.dll for
; every step that talks to the host: all seven of its exports are used here,
; each result checked as the library's README describes.
;
; Build one target at a time (x86-ansi, x86-unicode or amd64-unicode); each
; takes the Install.dll of its bitness from the build folders:
;   makensis -DTARGET=x86-unicode plugin-setup.nsi
;   makensis -DTARGET=amd64-unicode -DINSTALL_DLL=path\to\Install.dll plugin-setup.nsi
;
; Options of the built installer, besides /S (silent) and /D=host folder:
;   /USER=name /COMPANY=name  on a silent install, the values recorded in
;                             place of the User Information dialog
;   /LOG=path                 put in the INSTALL_LOG environment variable
;                             before the library's first call (its call log);
;                             before or after the other options, but like
;                             them before /D=, which NSIS wants last
;
; Install.dll is unloaded when setup ends (UnloadInstallLibrary), so that
; setup can delete its plug-in folder in the temporary folder: a DLL still
; loaded there cannot be deleted, and each run would leave a copy behind.
;
; Signing: -DSIGN=command signs the installer and the uninstaller it writes,
; the command being run with the file's path after it, and any failure stops
; the build. scripts/sign.sh signs with the key the INSTALL_SIGN_* variables
; name, as scripts/release.sh does (its README section "Releases"):
;   makensis -DSIGN=../../scripts/sign.sh -DTARGET=amd64-unicode plugin-setup.nsi
; On Windows: -DSIGN="signtool sign /fd sha256 /tr http://timestamp.example /td sha256 /a".

!define /ifndef TARGET x86-unicode
Target ${TARGET}
!if ${TARGET} == amd64-unicode
  !define /ifndef INSTALL_DLL ../../build/win64/bin/Install.dll
!else
  !define /ifndef INSTALL_DLL ../../build/win32/bin/Install.dll
!endif
!define /ifndef OUTFILE SampleBlur-setup-${TARGET}.exe

!ifdef SIGN
  !finalize '${SIGN} "%1"' = 0
  !uninstfinalize '${SIGN} "%1"' = 0
!endif

!include FileFunc.nsh
!include LogicLib.nsh

; The access token the gated exports want in their integer argument.
!define /ifndef TOKEN 3956249
!define PLUGIN SampleBlur
!define PLUGIN_DIR "Plugins\${PLUGIN}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PLUGIN}"

Name "${PLUGIN} plug-in"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Host"
RequestExecutionLevel user
ShowInstDetails show

; The installer's languages, those of the library's dialog. The user picks
; one before the first page (the user's own preselected), and the dialog
; follows it (RequestUserInfo in RecordUserInfo).
LoadLanguageFile "${NSISDIR}\Contrib\Language files\English.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\German.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\French.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Spanish.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Italian.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\PortugueseBR.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Dutch.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Polish.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Czech.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Russian.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Ukrainian.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Turkish.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Japanese.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\SimpChinese.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\TradChinese.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Korean.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Arabic.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Hebrew.nlf"

Page directory
Page instfiles
UninstPage instfiles

Var HostDir

; A Unicode installer calls each export that has a Unicode twin through the
; twin (its name with a final W) and passes the text as UTF-16 (`w`), so that
; a folder named outside the ANSI code page reaches the library whole. The
; ANSI installer calls the ANSI exports with `m` texts.
!if ${TARGET} == x86-ansi
  !define W ""
  !define TEXT m
!else
  !define W W
  !define TEXT w
!endif

; $R9: the installer's options before /D=. NSIS takes /D= as the last option
; and everything after it as the folder, blanks included, quoted or not; an
; option read on into it would take the folder for part of its value.
!macro OptionsBeforeInstallFolder
  ${GetParameters} $R9
  StrLen $R8 $R9
  StrCpy $R7 0
  ${DoWhile} $R7 < $R8
    StrCpy $R6 $R9 4 $R7
    ${If} $R6 == " /D="
    ${OrIf} $R6 == ' "/D'
      StrCpy $R9 $R9 $R7
      ${ExitDo}
    ${EndIf}
    IntOp $R7 $R7 + 1
  ${Loop}
!macroend

; Puts Install.dll where System::Call finds it and makes sure it answers
; before anything else happens.
!macro LoadInstallLibrary
  !insertmacro OptionsBeforeInstallFolder
  ClearErrors
  ${GetOptions} $R9 "/LOG=" $R0
  ${IfNot} ${Errors}
    System::Call 'kernel32::SetEnvironmentVariable(t "INSTALL_LOG", t "$R0")'
  ${EndIf}
  InitPluginsDir
  File /oname=$PLUGINSDIR\Install.dll "${INSTALL_DLL}"
  System::Call '"$PLUGINSDIR\Install.dll"::AreYouThere(p 0, *i 0, m "") i .r0 ?c'
  ${If} $0 != 1
    MessageBox MB_OK|MB_ICONSTOP "Install.dll could not be loaded ($0): setup cannot go on." /SD IDOK
    Abort
  ${EndIf}
!macroend

; The last call of a run: "?u" unloads the DLL after it. Setup calls this
; however it ends (done, failed or cancelled).
!macro UnloadInstallLibrary
  Push $0
  System::Call '"$PLUGINSDIR\Install.dll"::AreYouThere(p 0, *i 0, m "") i .r0 ?cu'
  Pop $0
!macroend

Function .onInit
  !insertmacro LoadInstallLibrary
  ${IfNot} ${Silent}
    Push ""
    Push ${LANG_ENGLISH}
    Push "English"
    Push ${LANG_GERMAN}
    Push "Deutsch"
    Push ${LANG_FRENCH}
    Push "Français"
    Push ${LANG_SPANISH}
    Push "Español"
    Push ${LANG_ITALIAN}
    Push "Italiano"
    Push ${LANG_PORTUGUESEBR}
    Push "Português (Brasil)"
    Push ${LANG_DUTCH}
    Push "Nederlands"
    Push ${LANG_POLISH}
    Push "Polski"
    Push ${LANG_CZECH}
    Push "Čeština"
    Push ${LANG_RUSSIAN}
    Push "Русский"
    Push ${LANG_UKRAINIAN}
    Push "Українська"
    Push ${LANG_TURKISH}
    Push "Türkçe"
    Push ${LANG_JAPANESE}
    Push "日本語"
    Push ${LANG_SIMPCHINESE}
    Push "简体中文"
    Push ${LANG_TRADCHINESE}
    Push "繁體中文"
    Push ${LANG_KOREAN}
    Push "한국어"
    Push ${LANG_ARABIC}
    Push "العربية"
    Push ${LANG_HEBREW}
    Push "עברית"
    Push A  ; as many languages as pushed
    LangDLL::LangDialog "Installer Language" "Please select a language."
    Pop $LANGUAGE
    ${If} $LANGUAGE == "cancel"
      Abort
    ${EndIf}
  ${EndIf}
FunctionEnd
Function .onInstSuccess
  !insertmacro UnloadInstallLibrary
FunctionEnd
Function .onInstFailed
  !insertmacro UnloadInstallLibrary
FunctionEnd
Function .onUserAbort
  !insertmacro UnloadInstallLibrary
FunctionEnd

Function un.onInit
  !insertmacro LoadInstallLibrary
FunctionEnd
Function un.onUninstSuccess
  !insertmacro UnloadInstallLibrary
FunctionEnd
Function un.onUninstFailed
  !insertmacro UnloadInstallLibrary
FunctionEnd
Function un.onUserAbort
  !insertmacro UnloadInstallLibrary
FunctionEnd

Function RecordUserInfo
  ${If} ${Silent}
    ; A silent install shows no dialog: the values come from /USER= and
    ; /COMPANY= and are written here, where RequestUserInfo writes them.
    !insertmacro OptionsBeforeInstallFolder
    ClearErrors
    ${GetOptions} $R9 "/USER=" $R0
    ${If} ${Errors}
    ${OrIf} $R0 == ""
      Abort "A silent install needs /USER=name."
    ${EndIf}
    ${GetOptions} $R9 "/COMPANY=" $R1
    ${If} $R1 == ""
      StrCpy $R1 "(none)"
    ${EndIf}
    WriteRegStr HKCU "Software\Halvemark\Installation" "UserName" "$R0"
    WriteRegStr HKCU "Software\Halvemark\Installation" "CompanyName" "$R1"
    DetailPrint "Silent install: user name and company taken from /USER= and /COMPANY=."
    Return
  ${EndIf}
  ; The dialog in the installer's language: the thread's UI language is the
  ; one the resource loader picks the dialog's by; set for the call, then put back.
  System::Call 'kernel32::GetThreadUILanguage() i .R8'
  System::Call 'kernel32::SetThreadUILanguage(i $LANGUAGE) i'
  System::Call '"$PLUGINSDIR\Install.dll"::RequestUserInfo(p $HWNDPARENT, *i ${TOKEN}, m "") i .r0 ?c'
  System::Call 'kernel32::SetThreadUILanguage(i R8) i'
  ${If} $0 == -1
    Abort "Install.dll refused the access token."
  ${ElseIf} $0 != 1
    Abort "Setup needs a user name."
  ${EndIf}
FunctionEnd

; Stops setup with the words of the result table unless the edit whose
; result is in $0 was done. The two edit exports answer 0 for a refused
; token too; a done request also has its first "*" turned into the end of
; the text, so $3, the request as the call left it, reads as the path alone.
!macro CheckEditResult FILE
  StrCpy $R0 ""
  ${If} $0 == 0
    StrCmp $3 "${FILE}" +2
      StrCpy $R0 "Install.dll refused the access token; ${FILE} is unchanged."
  ${ElseIf} $0 == 1
    StrCpy $R0 "${FILE} is missing or may not be read: is the host installed there?"
  ${ElseIf} $0 == 4
    StrCpy $R0 "${FILE} is not a host configuration file; it is unchanged."
  ${ElseIf} $0 == 5
    StrCpy $R0 "${FILE} has a damaged header; it is unchanged."
  ${Else}
    StrCpy $R0 "${FILE} could not be opened, written or replaced; it is as it was."
  ${EndIf}
  ${If} $R0 != ""
    MessageBox MB_OK|MB_ICONSTOP "$R0 (code $0)" /SD IDOK
    Abort "$R0 (code $0)"
  ${EndIf}
!macroend

Section "${PLUGIN}"
  Call RecordUserInfo
  StrCpy $HostDir $INSTDIR

  System::Call '"$PLUGINSDIR\Install.dll"::GetDirSizeKB${W}(p 0, *i 0, ${TEXT} "$INSTDIR\${PLUGIN_DIR}") i .r0 ?c'
  ${If} $0 > 0
    DetailPrint "Replacing an earlier installation of ${PLUGIN} ($0 KB)."
  ${EndIf}

  ; In System::Call a text that holds double quotes goes between backquotes.
  ${If} ${FileExists} "$HostDir\host.cfg"
    System::Call '"$PLUGINSDIR\Install.dll"::DOSSpawn${W}(p $HWNDPARENT, *i ${TOKEN}, ${TEXT} `copy /y "$HostDir\host.cfg" "$HostDir\host.cfg.bak"`) i .r1 ?c'
    ${If} $1 != 0
      MessageBox MB_OK|MB_ICONSTOP "Could not back up $HostDir\host.cfg (code $1)." /SD IDOK
      Abort
    ${EndIf}
  ${EndIf}

  ; Taking out an earlier registration first keeps a reinstall from listing
  ; the plug-in twice, and refuses a file that is not the host's. The line
  ; added names the plug-in from the host's folder: the file is 8-bit text
  ; (the ANSI code page), which the folder's own name may not fit.
  System::Call '"$PLUGINSDIR\Install.dll"::ExZKCFG_RemovePluginRefs${W}(p $HWNDPARENT, *i ${TOKEN}, ${TEXT} "$HostDir\host.cfg*${PLUGIN}" r3) i .r0 ?c'
  !insertmacro CheckEditResult "$HostDir\host.cfg"
  System::Call '"$PLUGINSDIR\Install.dll"::ExZKCFG_AppendBuffer${W}(p $HWNDPARENT, *i ${TOKEN}, ${TEXT} "$HostDir\host.cfg*Plugin ${PLUGIN_DIR}\${PLUGIN}.dll" r3) i .r0 ?c'
  !insertmacro CheckEditResult "$HostDir\host.cfg"

  ; The plug-in's own files; a real installer adds its DLL here.
  SetOutPath "$INSTDIR\${PLUGIN_DIR}"
  File "${PLUGIN}.ini"
  WriteUninstaller "$INSTDIR\${PLUGIN_DIR}\Uninstall.exe"

  System::Call '"$PLUGINSDIR\Install.dll"::GetDirSizeKB${W}(p 0, *i 0, ${TEXT} "$INSTDIR\${PLUGIN_DIR}") i .r0 ?c'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PLUGIN} plug-in"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\${PLUGIN_DIR}\Uninstall.exe$\""
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  System::Call '"$PLUGINSDIR\Install.dll"::WINSpawn${W}(p $HWNDPARENT, *i ${TOKEN}, ${TEXT} `"$HostDir\Host.exe" /first-run`) i .r2 ?c'
  ${If} $2 <= 31
    MessageBox MB_OK "Could not start the host application (code $2)" /SD IDOK
  ${EndIf}
SectionEnd

Section "Uninstall"
  ; The uninstaller lives in the plug-in's folder, two levels below the host's.
  ${GetParent} $INSTDIR $HostDir
  ${GetParent} $HostDir $HostDir
  System::Call '"$PLUGINSDIR\Install.dll"::ExZKCFG_RemovePluginRefs${W}(p $HWNDPARENT, *i ${TOKEN}, ${TEXT} "$HostDir\host.cfg*${PLUGIN}" r3) i .r0 ?c'
  !insertmacro CheckEditResult "$HostDir\host.cfg"
  Delete "$INSTDIR\${PLUGIN}.ini"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
