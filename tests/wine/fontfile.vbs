' The font file object as a VBScript user drives it, over Wine's own font
' table: the bitmap fonts Wine installs in every prefix (Courier, MS Sans Serif,
' Small Fonts) and the DejaVu fonts of the machine. Prints one line per wrong
' answer and exits with the number of them.
Option Explicit

Dim failures : failures = 0
Sub Check(ok, what)
  If Not ok Then
    WScript.Echo "FAIL fontfile.vbs: " & what
    failures = failures + 1
  End If
End Sub

Dim f : Set f = CreateObject("Zolmcom.FontFile")
Dim files : Set files = CreateObject("Scripting.FileSystemObject")
Dim ok, file, dir, errNo

file = Empty
ok = f.GetFileName("Courier", file)
Check TypeName(ok) = "Boolean", "GetFileName answers a " & TypeName(ok)
Check ok = True, "Courier not found"
Check TypeName(file) = "String", "the file name is a " & TypeName(file)
Check LCase(file) = "coure.fon", "Courier is in " & file

' The beginning of a name, in any case of its letters.
ok = f.GetFileName("ms sans", file)
Check ok = True And LCase(file) = "sserife.fon", "ms sans: " & ok & " " & file
ok = f.GetFileName("SMALL FONTS", file)
Check ok = True And LCase(file) = "smalle.fon", "SMALL FONTS: " & ok & " " & file
ok = f.GetFileName("DejaVu Sans Mono Bold Oblique", file)
Check ok = True And LCase(Right(file, 30)) = "dejavusansmono-boldoblique.ttf", _
      "DejaVu Sans Mono Bold Oblique: " & ok & " " & file

' No match leaves the out-parameter alone.
file = "keep"
ok = f.GetFileName("", file)
Check ok = False And file = "keep", "empty name: " & ok & " " & file
ok = f.GetFileName("No Such Font Anywhere", file)
Check ok = False And file = "keep", "unknown font: " & ok & " " & file
ok = f.GetFileName("Courier" & String(300, "x"), file)
Check ok = False And file = "keep", "overlong name: " & ok & " " & file

dir = f.GetFontDirectory
Check TypeName(dir) = "String", "GetFontDirectory answers a " & TypeName(dir)
Check LCase(dir) = LCase(files.GetSpecialFolder(0) & "\Fonts"), _
      "font directory " & dir

On Error Resume Next
f.getRGB 0, 0, 0, 0
errNo = Err.Number
On Error GoTo 0
Check errNo = 438, "a palette member on a FontFile raised " & errNo & ", expected 438"

If failures = 0 Then WScript.Echo "fontfile.vbs: all answers right"
WScript.Quit failures
