; A small but real installer to track: files, a directory tree, registry keys and values under
; HKLM and the current user's hive, an uninstall entry, a Run entry and a start-up shortcut that
; start it with Windows, and a setting in the Windows directory. Everything lands in the places
; Pelorin looks at by default (the Windows directory, the common program files, the profiles).
; Built by scripts/demo.sh with makensis (64-bit, so that Wine here can run it).
Unicode true
Target amd64-unicode
Name "Pelorin Sample"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SilentInstall silent
InstallDir "$COMMONFILES64\Pelorin Sample"

Section "Install"
  SetRegView 64
  SetOutPath "$INSTDIR"
  File "files\sample-app.txt"
  File "files\readme.txt"
  SetOutPath "$INSTDIR\docs\en"
  File "files\docs\en\guide.txt"
  SetOutPath "$INSTDIR\docs\de"
  File "files\docs\de\anleitung.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  SetOutPath "$WINDIR"
  File "files\PelorinSample.ini"
  CreateShortCut "$SMSTARTUP\Pelorin Sample.lnk" "$INSTDIR\sample-app.txt"

  WriteRegStr HKLM "Software\Pelorin Sample" "InstallDir" "$INSTDIR"
  WriteRegDWORD HKLM "Software\Pelorin Sample" "Version" 0x00010002
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Run" "PelorinSample" '"$INSTDIR\sample-app.txt" /tray'
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\PelorinSample" "DisplayName" "Pelorin Sample"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\PelorinSample" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "Software\Pelorin Sample\Settings" "Language" "en"
  WriteRegDWORD HKCU "Software\Pelorin Sample\Settings" "FirstRun" 1
SectionEnd

Section "Uninstall"
  SetRegView 64
  DeleteRegKey HKLM "Software\Pelorin Sample"
  DeleteRegValue HKLM "Software\Microsoft\Windows\CurrentVersion\Run" "PelorinSample"
  DeleteRegKey HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\PelorinSample"
  DeleteRegKey HKCU "Software\Pelorin Sample"
  Delete "$WINDIR\PelorinSample.ini"
  Delete "$SMSTARTUP\Pelorin Sample.lnk"
  RMDir /r "$INSTDIR"
SectionEnd
