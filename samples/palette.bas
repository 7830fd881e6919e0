Attribute VB_Name = "ZolmcomPalette"
' The palette and font objects of zolmcom.dll from VBA (Excel, Word, Access).
' Import this module (File > Import File...) and run ShowPaletteLateBound or
' ShowPaletteEarlyBound; the results go to the Immediate window (Ctrl+G).
'
' Which DLL: Office loads the DLL of its own bitness. 32-bit Office needs the
' x86 DLL, 64-bit Office the x64 DLL (File > Account > About shows which
' Office you have). install.cmd registers both.
Option Explicit

Const Picture As String = "C:\pictures\sunset.bmp"

' Late binding: no reference needed; the names are looked up at run time.
Public Sub ShowPaletteLateBound()
    Dim loader As Object
    Set loader = CreateObject("zolmcom.PaletteLoader")
    If Not loader.load(Picture) Then
        Debug.Print Picture & ": not read, lastError " & loader.lastError & _
                    " (&H" & Hex(loader.lastError) & ")"
        Exit Sub
    End If
    Dim i As Long, red As Variant, green As Variant, blue As Variant
    Debug.Print Picture & ": " & loader.ColorCount & " colours"
    For i = 0 To loader.ColorCount - 1
        ' getRGB fills red, green and blue: VBA passes the variables by reference.
        If loader.getRGB(i, red, green, blue) Then Debug.Print i & ": " & red & " " & green & " " & blue
    Next i

    Dim fonts As Object, file As Variant
    Set fonts = CreateObject("Zolmcom.FontFile")
    If fonts.GetFileName("Arial", file) Then Debug.Print "Arial: " & file & " in " & fonts.GetFontDirectory
End Sub

' Early binding: Tools > References > Browse..., choose zolmcom.tlb from the
' package (it appears as "zolmcom 1.0 Typbibliothek"). The editor then knows
' the objects' methods, and calls go through the interfaces directly.
Public Sub ShowPaletteEarlyBound()
    Dim loader As ZOLMCOMLib.PaletteLoader
    Set loader = New ZOLMCOMLib.PaletteLoader
    If Not loader.load(Picture) Then
        Debug.Print Picture & ": not read, lastError " & loader.lastError
        Exit Sub
    End If
    ' The parameters are declared as Variant: pass Variant variables.
    Dim index As Variant, red As Variant, green As Variant, blue As Variant
    Debug.Print Picture & ": " & loader.ColorCount & " colours"
    For index = 0 To loader.ColorCount - 1
        If loader.getRGB(index, red, green, blue) Then Debug.Print index & ": " & red & " " & green & " " & blue
    Next index

    Dim fonts As ZOLMCOMLib.FontFile, file As Variant
    Set fonts = New ZOLMCOMLib.FontFile
    If fonts.GetFileName("Arial", file) Then Debug.Print "Arial: " & file & " in " & fonts.GetFontDirectory
End Sub
