# Sourced by the scripts that run the simulated Outlook: writes a registry file that makes one
# program the viewer Windows starts for every picture type the add-in saves (the ones it always
# shows and the ones its "more picture types" setting adds), as a user's image viewer would be.
#
#   write_viewer_association FILE COMMAND    COMMAND as the shell's open verb runs it ("%1": the file)
#
# Import FILE with `reg import` into the 64-bit view (Wine reads file associations from HKLM).
picture_types=(jpg jpeg gif bmp tif tiff png webp heic heif avif jfif)

write_viewer_association() {
  local file="$1" command="$2" extension
  {
    printf 'REGEDIT4\r\n\r\n'
    for extension in "${picture_types[@]}"; do
      printf '[HKEY_LOCAL_MACHINE\\Software\\Classes\\.%s]\r\n@="ZormintSim.Picture"\r\n\r\n' \
        "$extension"
    done
    printf '[HKEY_LOCAL_MACHINE\\Software\\Classes\\ZormintSim.Picture\\shell\\open\\command]\r\n'
    # Inside a .reg value a backslash and a quote are escaped with a backslash.
    command="${command//\\/\\\\}"
    printf '@="%s"\r\n' "${command//\"/\\\"}"
  } >"$file"
}
