' Prints the palette of a BMP or PCX picture and the file of a font, through
' zolmcom.dll. Register the DLL first (see README.md), then run:
'
'     cscript //nologo palette.vbs C:\pictures\sunset.bmp [font name]
'
' The font name defaults to "Courier"; its beginning is enough ("times").
Option Explicit

If WScript.Arguments.Count < 1 Then
  WScript.Echo "usage: cscript palette.vbs PICTURE [FONT NAME]"
  WScript.Quit 2
End If

Dim loader : Set loader = CreateObject("zolmcom.PaletteLoader")
Dim picture : picture = WScript.Arguments(0)
If Not loader.load(picture) Then
  WScript.Echo picture & ": not a BMP or PCX picture that could be read"
  WScript.Quit 1
End If

Dim count : count = loader.ColorCount
WScript.Echo picture & ": " & count & " colours"
Dim i, red, green, blue
For i = 0 To count - 1
  ' getRGB fills red, green and blue (0 to 255) and answers True.
  If loader.getRGB(i, red, green, blue) Then
    WScript.Echo "  " & i & ": " & red & " " & green & " " & blue
  End If
Next

Dim fonts : Set fonts = CreateObject("Zolmcom.FontFile")
Dim fontName : fontName = "Courier"
If WScript.Arguments.Count > 1 Then fontName = WScript.Arguments(1)
Dim file
If fonts.GetFileName(fontName, file) Then
  WScript.Echo fontName & ": " & file & " in " & fonts.GetFontDirectory
Else
  WScript.Echo fontName & ": no installed font begins with that name"
End If
