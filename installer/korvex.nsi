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
!define MUI_FINISHPAGE_RUN "$INSTDIR\KORVEX.exe"
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

; Sentrel.dll stays loaded in a running host program after the robot has
; removed its hook, and TARIFEX.OCX in a host that shows the control: such a
; file cannot be replaced or deleted.  It is renamed instead (Windows lets a
; loaded module be renamed) and the old copy is deleted at the next restart.
!macro MOVE_ASIDE_IF_IN_USE file
  ${If} ${FileExists} "${file}"
    Delete "${file}"
    ${If} ${FileExists} "${file}"
      Delete "${file}.old"
      Rename "${file}" "${file}.old"
      Delete /REBOOTOK "${file}.old"
    ${EndIf}
  ${EndIf}
!macroend

Function .onInit
!if ${ARCH} == 64
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "Este instalador es para Windows de 64 bits." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
!endif
FunctionEnd

Section "${PRODUCT} (requerido)" SecRobot
  SectionIn RO
  SetShellVarContext all
  Call StopRobot
  SetOutPath "$INSTDIR"
  ; A control registered by an older version is unregistered before its
  ; file is replaced.
  ${If} ${FileExists} "$INSTDIR\TARIFEX.OCX"
    UnRegDLL "$INSTDIR\TARIFEX.OCX"
  ${EndIf}
  !insertmacro MOVE_ASIDE_IF_IN_USE "$INSTDIR\Sentrel.dll"
  !insertmacro MOVE_ASIDE_IF_IN_USE "$INSTDIR\TARIFEX.OCX"
  File "${BINDIR}\KORVEX.exe"
  File "${BINDIR}\Sentrel.dll"
  File "${BINDIR}\TARIFEX.OCX"
  File "${BINDIR}\default.wav"
  File "${BINDIR}\KORVEX.ico"
  ; The manual the about box links to.
  File "${BINDIR}\KORVEX.html"
  ; Profiles from the command line, and the report of the validation runs.
  File "${BINDIR}\kvxtool.exe"
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
  WriteRegStr HKCU "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\KORVEX.exe"'
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
  Delete /REBOOTOK "$INSTDIR\Sentrel.dll.old"
  Delete /REBOOTOK "$INSTDIR\TARIFEX.OCX.old"
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
  DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Perfiles y configuración del usuario" SecUserData
  ; The profiles and settings live in the 32-bit view, as the robot keeps them.
  SetRegView 32
  DeleteRegKey HKCU "${USER_KEY}"
  DeleteRegKey /ifempty HKCU "Software\${COMPANY}"
!if ${ARCH} == 64
  SetRegView 64
!endif
SectionEnd

Function un.onInit
!if ${ARCH} == 64
  SetRegView 64
!endif
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
