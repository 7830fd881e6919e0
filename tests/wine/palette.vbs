' The palette loader as a VBScript user drives it: created by ProgID, called
' by name through IDispatch, with variables passed by reference for getRGB's
' colour out-parameters. The pictures come from make_pictures.py, whose
' palette rule Entry() repeats. Prints one line per wrong answer and exits
' with the number of them.
Option Explicit

Dim failures : failures = 0
Sub Check(ok, what)
  If Not ok Then
    WScript.Echo "FAIL palette.vbs: " & what
    failures = failures + 1
  End If
End Sub

' Palette entry i of the generated pictures; part 0 red, 1 green, 2 blue.
Function Entry(i, part)
  Select Case part
    Case 0: Entry = (&H30 + 3 * i) Mod 256
    Case 1: Entry = (&H20 + 5 * i) Mod 256
    Case Else: Entry = (&H10 + 7 * i) Mod 256
  End Select
End Function

Dim dir : dir = WScript.Arguments(0)
Dim p : Set p = CreateObject("zolmcom.PaletteLoader")
Dim ok, r, g, b, i, idx, errNo, allRight

' A new object holds no palette.
Check p.ColorCount = 0, "new object: ColorCount is not 0"
Check TypeName(p.ColorCount) = "Long", "ColorCount is a " & TypeName(p.ColorCount)
Check p.getRGB(0, r, g, b) = False, "new object: getRGB(0) answers True"
Check p.lastError = 0, "new object: lastError is not 0"

' A 256-colour BMP: every entry, read with numeric indexes.
ok = p.load(dir & "\pal8.bmp")
Check TypeName(ok) = "Boolean", "load answers a " & TypeName(ok)
Check ok = True, "load of pal8.bmp failed"
Check p.ColorCount = 256, "pal8.bmp: ColorCount is " & p.ColorCount
allRight = True
For i = 0 To 255
  r = Empty : g = Empty : b = Empty
  ok = p.getRGB(i, r, g, b)
  If ok <> True Or r <> Entry(i, 0) Or g <> Entry(i, 1) Or b <> Entry(i, 2) Then
    Check False, "pal8.bmp entry " & i & ": " & ok & " " & r & "," & g & "," & b
    allRight = False
    Exit For
  End If
Next
ok = p.getRGB(0, r, g, b)
Check r = &H30 And g = &H20 And b = &H10, "entry 0 is not red 0x30, green 0x20, blue 0x10"
Check TypeName(r) = "Long" And TypeName(g) = "Long" And TypeName(b) = "Long", _
      "colours are not Longs: " & TypeName(r)

' String indexes: digits are converted, letters are a type mismatch.
ok = p.getRGB("3", r, g, b)
Check ok = True And r = Entry(3, 0) And g = Entry(3, 1) And b = Entry(3, 2), _
      "getRGB(""3"") answers " & ok & " " & r & "," & g & "," & b
idx = "200"
ok = p.getRGB(idx, r, g, b)
Check ok = True And r = Entry(200, 0) And b = Entry(200, 2), "getRGB with a string variable"
On Error Resume Next
ok = p.getRGB("abc", r, g, b)
errNo = Err.Number
On Error GoTo 0
Check errNo = 13, "getRGB(""abc"") raised " & errNo & ", expected a type mismatch (13)"

' Out of range: the colours are left as they were; below 0 they become 0.
r = 7 : g = 8 : b = 9
ok = p.getRGB(256, r, g, b)
Check ok = False, "getRGB(256) answers True"
Check r = 7 And g = 8 And b = 9, "getRGB(256) changed the colours: " & r & "," & g & "," & b
r = Empty : g = Empty : b = Empty
ok = p.getRGB(-1, r, g, b)
Check ok = False, "getRGB(-1) answers True"
Check TypeName(r) = "Long" And r = 0 And TypeName(b) = "Long", "getRGB(-1) left " & TypeName(r)

' The extension picks the reader, whatever its case.
Check p.load(dir & "\mixed.Bmp") = True, "load of mixed.Bmp failed"
Check p.ColorCount = 256, "mixed.Bmp: ColorCount is " & p.ColorCount
Check p.load(dir & "\pal4.bmp") = True, "load of pal4.bmp failed"
Check p.ColorCount = 16, "pal4.bmp: ColorCount is " & p.ColorCount
ok = p.getRGB(15, r, g, b)
Check ok = True And r = Entry(15, 0) And g = Entry(15, 1) And b = Entry(15, 2), "pal4.bmp entry 15"

' A 24-bit picture reads well but has no colours to hand out.
Check p.load(dir & "\rgb24.bmp") = True, "load of rgb24.bmp failed"
Check p.ColorCount = 0, "rgb24.bmp: ColorCount is " & p.ColorCount
Check p.getRGB(0, r, g, b) = False, "rgb24.bmp: getRGB(0) answers True"

' PCX, also under the name of an icon.
Check p.load(dir & "\pal8.pcx") = True, "load of pal8.pcx failed"
Check p.ColorCount = 256, "pal8.pcx: ColorCount is " & p.ColorCount
ok = p.getRGB(77, r, g, b)
Check ok = True And r = Entry(77, 0) And g = Entry(77, 1) And b = Entry(77, 2), "pal8.pcx entry 77"
Check p.load(dir & "\pcxpal.ico") = True, "load of pcxpal.ico (a PCX file) failed"
Check p.ColorCount = 256, "pcxpal.ico: ColorCount is " & p.ColorCount

' Bad files and names: False, and no palette afterwards.
Dim bad
For Each bad In Array("icon.ico", "truncated.bmp", "text.bmp", "nopalette.pcx", "pal8.gif", _
                      "archive.bmp.gz", "nodot")
  Check p.load(dir & "\pal8.bmp") = True, "reload of pal8.bmp failed"
  Check p.load(dir & "\" & bad) = False, "load of " & bad & " answers True"
  Check p.ColorCount = 0, bad & ": ColorCount is " & p.ColorCount & " after a failed load"
  Check p.getRGB(0, r, g, b) = False, bad & ": getRGB(0) answers True after a failed load"
Next
Check p.load("") = False, "load of an empty name answers True"

' A dot in a folder's name does not hide the file's own extension.
Check p.load(dir & "\old.pics\pal8.bmp") = True, "load of old.pics\pal8.bmp failed"
Check p.ColorCount = 256, "old.pics\pal8.bmp: ColorCount is " & p.ColorCount

' lastError tells why the last load failed, and 0 after a success.
Check p.lastError = 0, "lastError after a good load is " & p.lastError
Check p.load(dir & "\missing.bmp") = False, "load of missing.bmp answers True"
Check p.ColorCount = 0, "missing.bmp: ColorCount is " & p.ColorCount
Check p.lastError = -2147024894, "lastError after missing.bmp is " & p.lastError
Check p.load(dir & "\text.bmp") = False And p.lastError = -3, "lastError after text.bmp is " & p.lastError
Check p.load(dir & "\truncated.bmp") = False And p.lastError = -2, _
      "lastError after truncated.bmp is " & p.lastError
Check p.load(dir & "\pal8.gif") = False And p.lastError = -3, "lastError after pal8.gif is " & p.lastError

' A name the object does not have.
On Error Resume Next
p.frobnicate
errNo = Err.Number
On Error GoTo 0
Check errNo = 438, "an unknown member raised " & errNo & ", expected 438"

' Two objects keep their own palettes.
Dim q : Set q = CreateObject("zolmcom.PaletteLoader")
Check q.load(dir & "\pal4.bmp") = True And p.load(dir & "\pal8.pcx") = True, "two loads"
Check q.ColorCount = 16 And p.ColorCount = 256, "two objects share a palette"
Set q = Nothing
Set p = Nothing

If failures = 0 Then WScript.Echo "palette.vbs: all answers right"
WScript.Quit failures
