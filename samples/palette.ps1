# The palette and font objects of zolmcom.dll from PowerShell. Register the
# DLL first (install.cmd), then run:
#
#     powershell -ExecutionPolicy Bypass -File palette.ps1 C:\pictures\sunset.bmp [font name]
#
# Which DLL: PowerShell loads the DLL of its own bitness. The ordinary
# PowerShell on 64-bit Windows (%SystemRoot%\System32\WindowsPowerShell\v1.0)
# and PowerShell 7 are 64-bit and need the x64 DLL; the one in
# %SystemRoot%\SysWOW64\WindowsPowerShell\v1.0 is 32-bit and needs the x86
# DLL. install.cmd registers both. [Environment]::Is64BitProcess tells which
# one is running.
param(
  [Parameter(Mandatory = $true)][string]$Picture,
  [string]$FontName = 'Courier'
)
$bits = if ([Environment]::Is64BitProcess) { 64 } else { 32 }
try {
  $loader = New-Object -ComObject zolmcom.PaletteLoader
} catch {
  Write-Error "zolmcom.PaletteLoader cannot be created: register the $bits-bit DLL (install.cmd)"
  exit 1
}

# The path must be a full one: the DLL does not know PowerShell's current folder.
$path = (Resolve-Path -LiteralPath $Picture).ProviderPath
if (-not $loader.load($path)) {
  '{0}: not read, lastError {1} (0x{1:X8})' -f $path, $loader.lastError
  exit 1
}
$count = $loader.ColorCount
"${path}: $count colours"
# Out-parameters are passed as [ref]: getRGB fills them and answers $true.
$red = 0; $green = 0; $blue = 0
for ($i = 0; $i -lt [Math]::Min($count, 8); $i++) {
  if ($loader.getRGB($i, [ref]$red, [ref]$green, [ref]$blue)) {
    "  ${i}: $red $green $blue"
  }
}

$fonts = New-Object -ComObject Zolmcom.FontFile
$file = $null
if ($fonts.GetFileName($FontName, [ref]$file)) {
  "${FontName}: $file in $($fonts.GetFontDirectory())"
} else {
  "${FontName}: no installed font begins with that name"
}
