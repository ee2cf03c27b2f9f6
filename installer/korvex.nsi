; The KORVEX installer: the robot KORVEX.exe, its hook library Sentrel.dll,
; the tariff control TARIFEX.OCX (registered), the alarm's default.wav, the
; manual KORVEX.html and the command-line tool kvxtool.exe under Program
; Files, with Start-menu entries (among them "Informe de validaciones", the
; report of the user's validation runs), an optional start at logon and an
; uninstaller listed in Add/Remove Programs.
;
; Built by CMake (installer/CMakeLists.txt) with makensis:
;   makensis -DARCH=32|64 -DVERSION=1.2.3.4 -DBINDIR=<folder of the seven files>
;            -DOUTFILE=<installer.exe> installer/korvex.nsi
;
; Silent mode (/S) works for both the installer and the uninstaller.  The
; uninstaller keeps the user's profiles and settings (the registry keys
; "Store" and "Settings" under HKCU\Software\Norvane\KORVEX) unless the user
; ticks their removal, or an administrator passes /PURGE.
;
; Per-user entries (the start at logon, the profiles and settings /PURGE
; removes) belong to the user logged on to the session the installer runs
; in: the broker who runs the robot, not the administrator whose
; credentials elevated the installer (whose HKCU an elevated process sees).
; They are written to that user's hive, HKU\<SID>; when the session has no
; user (an installation run by a service), to the installing account's
; HKCU.  The robot started from the last page runs as that user too.

Unicode true
!ifndef ARCH
  !define ARCH 32
!endif
!if ${ARCH} == 64
  Target amd64-unicode
!else
  Target x86-unicode
!endif
!ifndef VERSION
  !define VERSION 1.0.0.0
!endif
!ifndef BINDIR
  !error "BINDIR must name the folder of KORVEX.exe, Sentrel.dll, TARIFEX.OCX, kvxtool.exe, default.wav, KORVEX.ico and KORVEX.html"
!endif
!ifndef OUTFILE
  !define OUTFILE "KORVEX-${VERSION}-setup.exe"
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include x64.nsh

!define PRODUCT "KORVEX"
!define COMPANY "Norvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KORVEX"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define USER_KEY "Software\Norvane\KORVEX"
; The robot's hidden main frame, and its tray command "&Cerrar".
!define ROBOT_CAPTION "PILOTEK_MAIN_FRAME"
!define ROBOT_CLOSE_COMMAND 57665

Name "${PRODUCT}"
OutFile "${OUTFILE}"
!if ${ARCH} == 64
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=0 "FileDescription" "Instalador de ${PRODUCT}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${COMPANY}"

!define MUI_ABORTWARNING
!define MUI_ICON "${BINDIR}\KORVEX.ico"
!define MUI_UNICON "${BINDIR}\KORVEX.ico"
!define MUI_WELCOMEPAGE_TITLE "Instalación de ${PRODUCT}"
!define MUI_WELCOMEPAGE_TEXT "Este asistente instala ${PRODUCT}, el robot que responde por usted los mensajes y las preguntas de la Validación Total de Items.$\r$\n$\r$\nSi el robot está funcionando, el asistente lo cerrará antes de copiar los archivos. Sus perfiles y su configuración se conservan.$\r$\n$\r$\nPresione Siguiente para continuar."
!define MUI_COMPONENTSPAGE_SMALLDESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION RunRobot
!define MUI_FINISHPAGE_RUN_TEXT "Iniciar ${PRODUCT} ahora"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Spanish"

; Closes a running robot the way its tray command "&Cerrar" does, and waits
; up to ten seconds for its window to go.  A robot that does not end by then
; (a hung one) is ended, so that its files can be replaced.
!macro DEFINE_STOP_ROBOT prefix
Function ${prefix}StopRobot
  FindWindow $0 "" "${ROBOT_CAPTION}"
  ${If} $0 == 0
    Return
  ${EndIf}
  DetailPrint "Cerrando el robot ${PRODUCT}..."
  System::Call "user32::GetWindowThreadProcessId(p r0, *i .r2)"
  SendMessage $0 ${WM_COMMAND} ${ROBOT_CLOSE_COMMAND} 0 /TIMEOUT=5000
  StrCpy $1 0
  ${Do}
    FindWindow $0 "" "${ROBOT_CAPTION}"
    ${If} $0 == 0
      ; The window is gone; give the process a moment to end.
      Sleep 300
      Return
    ${EndIf}
    Sleep 200
    IntOp $1 $1 + 1
  ${LoopUntil} $1 >= 50
  DetailPrint "El robot no se cerró a tiempo; se lo termina."
  ${If} $2 != 0
    System::Call "kernel32::OpenProcess(i 0x100001, i 0, i r2) p .r3"  ; SYNCHRONIZE | PROCESS_TERMINATE
    ${If} $3 != 0
      System::Call "kernel32::TerminateProcess(p r3, i 1)"
      System::Call "kernel32::WaitForSingleObject(p r3, i 5000)"
      System::Call "kernel32::CloseHandle(p r3)"
    ${EndIf}
  ${EndIf}
FunctionEnd
!macroend
!insertmacro DEFINE_STOP_ROBOT ""
!insertmacro DEFINE_STOP_ROBOT "un."

; The security identifier of the user logged on to this session, in
; $SessionUser ("" when it cannot be told).  The session's user name and
; domain come from the terminal services, the identifier from the account
; database; the user's hive must be loaded (HKU\<SID>).
Var SessionUser
!macro DEFINE_FIND_SESSION_USER prefix
Function ${prefix}FindSessionUser
  StrCpy $SessionUser ""
  ; WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION,
  ; WTSUserName = 5 / WTSDomainName = 7)
  System::Call "wtsapi32::WTSQuerySessionInformationW(p 0, i -1, i 5, *p .r1, *i .r2) i .r0"
  ${If} $0 == 0
    Return
  ${EndIf}
  System::Call "kernel32::lstrcpynW(w .r3, p r1, i ${NSIS_MAX_STRLEN})"
  System::Call "wtsapi32::WTSFreeMemory(p r1)"
  ${If} $3 == ""
    Return
  ${EndIf}
  StrCpy $4 ""
  System::Call "wtsapi32::WTSQuerySessionInformationW(p 0, i -1, i 7, *p .r1, *i .r2) i .r0"
  ${If} $0 != 0
    System::Call "kernel32::lstrcpynW(w .r4, p r1, i ${NSIS_MAX_STRLEN})"
    System::Call "wtsapi32::WTSFreeMemory(p r1)"
  ${EndIf}
  ${If} $4 != ""
    StrCpy $3 "$4\$3"
  ${EndIf}
  System::Alloc 1024
  Pop $5
  System::Alloc 1024
  Pop $6
  System::Call "advapi32::LookupAccountNameW(p 0, w r3, p r5, *i 1024, p r6, *i 512, *i .r7) i .r0"
  ${If} $0 != 0
    System::Call "advapi32::ConvertSidToStringSidW(p r5, *p .r1) i .r0"
    ${If} $0 != 0
      System::Call "kernel32::lstrcpynW(w .r8, p r1, i ${NSIS_MAX_STRLEN})"
      System::Call "kernel32::LocalFree(p r1)"
      ; The hive of a user logged on is loaded.
      ClearErrors
      EnumRegKey $9 HKU "$8" 0
      ${IfNot} ${Errors}
        StrCpy $SessionUser $8
      ${EndIf}
    ${EndIf}
  ${EndIf}
  System::Free $5
  System::Free $6
FunctionEnd
!macroend
!insertmacro DEFINE_FIND_SESSION_USER ""
!insertmacro DEFINE_FIND_SESSION_USER "un."

; Sentrel.dll stays loaded in a running host program after the robot has
; removed its hook, and TARIFEX.OCX in a host that shows the control: such a
; file cannot be replaced or deleted, but it can be renamed (Windows lets a
; loaded module be renamed).  MoveAside frees a file's name: the file is
; deleted, or renamed to the first free name "<file>.<n>.old" (a host may
; still hold the copies of earlier upgrades under "<file>.old" and
; "<file>.1.old"...) and deleted at the next restart.  Called with the path
; on the stack; leaves on the stack "" when the name was free or the file
; deleted, the new name when it was renamed, "error" when the name could not
; be freed.
Function MoveAside
  Exch $0
  Push $1
  Push $2
  StrCpy $2 ""
  ${If} ${FileExists} "$0"
    Delete "$0"
  ${EndIf}
  ${If} ${FileExists} "$0"
    StrCpy $2 "error"
    StrCpy $1 1
    ${Do}
      ${IfNot} ${FileExists} "$0.$1.old"
        ClearErrors
        Rename "$0" "$0.$1.old"
        ${IfNot} ${Errors}
          StrCpy $2 "$0.$1.old"
          Delete /REBOOTOK "$2"
          ${Break}
        ${EndIf}
      ${EndIf}
      IntOp $1 $1 + 1
    ${LoopUntil} $1 > 99
  ${EndIf}
  StrCpy $0 $2
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Puts a new copy, written beside the file as "<file>.new", in the file's
; place: the file in place (perhaps held by a host) is moved aside first.
; A new copy that cannot take the name at once (a virus scanner reading it)
; is tried for a few seconds.  Leaves "" on the stack on success; on
; failure "error", the file in place is as it was and the new copy is
; deleted.
Function PutInPlace
  Exch $0
  Push $1
  Push $2
  Push $3
  StrCpy $3 "error"
  ; Without a new copy (a file, not a folder) the file in place is not
  ; touched.
  StrCpy $1 "error"
  ${If} ${FileExists} "$0.new"
  ${AndIfNot} ${FileExists} "$0.new\*.*"
    Push "$0"
    Call MoveAside
    Pop $1
  ${EndIf}
  ${If} $1 != "error"
    StrCpy $2 0
    ${Do}
      ClearErrors
      Rename "$0.new" "$0"
      ${IfNot} ${Errors}
        StrCpy $3 ""
        ${Break}
      ${EndIf}
      Sleep 250
      IntOp $2 $2 + 1
    ${LoopUntil} $2 >= 20
    ${If} $3 != ""
    ${AndIf} $1 != ""
      ; The old file goes back to its name.
      Rename "$1" "$0"
    ${EndIf}
  ${EndIf}
  ${If} $3 != ""
    Delete "$0.new"
    DetailPrint "No se pudo reemplazar $0."
  ${EndIf}
  StrCpy $0 $3
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

Function .onInit
!if ${ARCH} == 64
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "Este instalador es para Windows de 64 bits." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
!endif
  Call FindSessionUser
FunctionEnd

; "Iniciar KORVEX ahora": the robot runs as the session's user, without the
; installer's elevation, handed to the user's shell; without a shell, as
; the installer does.
Function RunRobot
  FindWindow $0 "Shell_TrayWnd"
  ${If} $0 != 0
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\KORVEX.exe"'
  ${Else}
    Exec '"$INSTDIR\KORVEX.exe"'
  ${EndIf}
FunctionEnd

Section "${PRODUCT} (requerido)" SecRobot
  SectionIn RO
  SetShellVarContext all
  Call StopRobot
  SetOutPath "$INSTDIR"
  ; What earlier upgrades moved aside and no host holds any more, and new
  ; copies an interrupted installation left.
  Delete "$INSTDIR\*.old"
  Delete "$INSTDIR\*.new"
  ; The hook library and the control are written beside the files in place
  ; first, and put in place at the end.  The control in place stays
  ; registered meanwhile: the new one registers the same class, ProgID and
  ; type library for the same path, so it is registered over it once it is
  ; in place, and the product is never left unregistered.
  ClearErrors
  File "/oname=Sentrel.dll.new" "${BINDIR}\Sentrel.dll"
  File "/oname=TARIFEX.OCX.new" "${BINDIR}\TARIFEX.OCX"
  ${If} ${Errors}
    ; Nothing is changed yet: the installed version stays whole.
    Delete "$INSTDIR\*.new"
    DetailPrint "No se pudieron escribir los archivos nuevos."
    MessageBox MB_ICONSTOP "No se pudieron escribir los archivos nuevos de ${PRODUCT} en $INSTDIR; la versión instalada queda como estaba." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  ; A file that cannot be written now (in use by some other program) is
  ; passed over, in silent mode, and reported below.
  File "${BINDIR}\KORVEX.exe"
  File "${BINDIR}\default.wav"
  File "${BINDIR}\KORVEX.ico"
  ; The manual the about box links to.
  File "${BINDIR}\KORVEX.html"
  ; Profiles from the command line, and the report of the validation runs.
  File "${BINDIR}\kvxtool.exe"
  StrCpy $2 ""
  ${If} ${Errors}
    StrCpy $2 "error"
  ${EndIf}
  Push "$INSTDIR\Sentrel.dll"
  Call PutInPlace
  Pop $0
  Push "$INSTDIR\TARIFEX.OCX"
  Call PutInPlace
  Pop $1
  ${If} "$0$1$2" != ""
    MessageBox MB_ICONEXCLAMATION "No se pudieron reemplazar todos los archivos de ${PRODUCT}; queda en uso la versión anterior de los que no se reemplazaron. Cierre el programa DOSSA y vuelva a instalar." /SD IDOK
    SetErrorLevel 4
  ${EndIf}
  ClearErrors
  RegDLL "$INSTDIR\TARIFEX.OCX"
  ${If} ${Errors}
    DetailPrint "No se pudo registrar el control TARIFEX.OCX."
    MessageBox MB_ICONEXCLAMATION "No se pudo registrar el control TARIFEX.OCX." /SD IDOK
    SetErrorLevel 3
  ${EndIf}

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\KORVEX.exe" "" "$INSTDIR\KORVEX.ico"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Manual de ${PRODUCT}.lnk" "$INSTDIR\KORVEX.html"
  ; The report of the runs journalled in the user's log folder, written to
  ; the user's documents and opened in the default browser; the tool's
  ; console stays minimized.
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Informe de validaciones.lnk" "$INSTDIR\kvxtool.exe" \
    "report --abrir" "$INSTDIR\KORVEX.ico" 0 SW_SHOWMINIMIZED
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Desinstalar ${PRODUCT}.lnk" "$INSTDIR\Desinstalar.exe"

  WriteUninstaller "$INSTDIR\Desinstalar.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\KORVEX.ico"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Desinstalar.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Desinstalar.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Iniciar ${PRODUCT} al iniciar la sesión" SecLogon
  ${If} $SessionUser != ""
    WriteRegStr HKU "$SessionUser\${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\KORVEX.exe"'
  ${Else}
    WriteRegStr HKCU "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\KORVEX.exe"'
  ${EndIf}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecRobot} "El robot, su biblioteca de enganche, el control TARIFEX, el sonido de la alarma, el manual y la herramienta kvxtool con el informe de validaciones."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecLogon} "El robot se inicia solo cada vez que usted inicia la sesión de Windows."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; --- the uninstaller ---------------------------------------------------------


Section "un.${PRODUCT}" SecUnRobot
  SectionIn RO
  SetShellVarContext all
  Call un.StopRobot
  UnRegDLL "$INSTDIR\TARIFEX.OCX"
  ; A file a running host still holds goes at the next restart.
  Delete /REBOOTOK "$INSTDIR\KORVEX.exe"
  Delete /REBOOTOK "$INSTDIR\Sentrel.dll"
  Delete /REBOOTOK "$INSTDIR\TARIFEX.OCX"
  ; What upgrades moved aside ("Sentrel.dll.old", "TARIFEX.OCX.2.old"...).
  Delete /REBOOTOK "$INSTDIR\*.old"
  Delete "$INSTDIR\*.new"
  Delete "$INSTDIR\default.wav"
  Delete "$INSTDIR\KORVEX.ico"
  Delete "$INSTDIR\KORVEX.html"
  Delete "$INSTDIR\kvxtool.exe"
  Delete "$INSTDIR\Desinstalar.exe"
  RMDir /REBOOTOK "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Manual de ${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Informe de validaciones.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Desinstalar ${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  ; The session user's start at logon, and the one older versions wrote to
  ; the installing account's HKCU.
  ${If} $SessionUser != ""
    DeleteRegValue HKU "$SessionUser\${RUN_KEY}" "${PRODUCT}"
  ${EndIf}
  DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Perfiles y configuración del usuario" SecUserData
  ; The profiles and settings of the session's user, in the 32-bit view, as
  ; the robot keeps them.
  SetRegView 32
  ${If} $SessionUser != ""
    DeleteRegKey HKU "$SessionUser\${USER_KEY}"
    DeleteRegKey /ifempty HKU "$SessionUser\Software\${COMPANY}"
  ${Else}
    DeleteRegKey HKCU "${USER_KEY}"
    DeleteRegKey /ifempty HKCU "Software\${COMPANY}"
  ${EndIf}
!if ${ARCH} == 64
  SetRegView 64
!endif
SectionEnd

Function un.onInit
!if ${ARCH} == 64
  SetRegView 64
!endif
  Call un.FindSessionUser
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/PURGE" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecUserData} ${SF_SELECTED}
  ${EndIf}
FunctionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecUnRobot} "Los programas de ${PRODUCT}, sus accesos y el registro del control TARIFEX."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecUserData} "Borra también los perfiles con las respuestas aprendidas y la configuración. Sin marcar, se conservan para una próxima instalación."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END
