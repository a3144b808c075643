"""Raw projection images converted as projconv-batch converts them."""
import os
from typing import Any, Literal, Tuple, TypedDict, Union

import numpy
import numpy.typing

__version__: str

_Path = Union[str, os.PathLike[str]]

def convert_image(
    data: Any,
    *,
    in_size: Tuple[int, int],
    out_size: Tuple[int, int],
    crop: Tuple[int, int, int, int],
    centre: Tuple[int, int],
    angle: float = 0.0,
    sample_type: Literal["int16", "float32"] = "int16",
    byte_order: Literal["little", "big"] = "little",
    signed: bool = True,
    header_len: int = 0,
    scale: float = 1.0,
    threads: int = 0,
) -> numpy.typing.NDArray[numpy.int16]:
    """Converts the bytes of one raw input file, header included; (out_height, out_width) int16.

    Raises TypeError for an argument of the wrong type and ValueError for parameters the
    converter refuses, in a line that names the keyword."""

def convert_array(
    array: numpy.typing.NDArray[Any],
    *,
    out_size: Tuple[int, int],
    crop: Tuple[int, int, int, int],
    centre: Tuple[int, int],
    angle: float = 0.0,
    scale: float = 1.0,
    threads: int = 0,
) -> numpy.typing.NDArray[numpy.int16]:
    """Converts a 2-D int16, uint16 or float32 array of shape (height, width).

    Raises TypeError and ValueError as convert_image does."""

class BatchOutcome(TypedDict):
    end: Literal["input_missing", "stopped", "input_not_opened", "input_not_read",
                 "input_short", "output_not_written"]
    files_written: int
    files_kept: int
    samples_wrapped: int
    file_name: str
    messages: list[Tuple[str, str]]

class Settings(TypedDict):
    in_folder: str
    in_format: str
    out_folder: str
    out_format: str
    start_number: int
    header_len: int
    sample_type: int
    byte_order: int
    signedness: int
    in_size_x: int
    in_size_y: int
    out_size_x: int
    out_size_y: int
    crop_left: int
    crop_top: int
    crop_right: int
    crop_bottom: int
    rot_centre_x: int
    rot_centre_y: int
    angle: float
    scale: float

def run_batch(
    settings: _Path | None = None,
    *,
    in_folder: _Path = ...,
    in_format: str = ...,
    out_folder: _Path = ...,
    out_format: str = ...,
    start_number: int = ...,
    header_len: int = ...,
    sample_type: int | Literal["int16", "float32"] = ...,
    byte_order: int | Literal["little", "big"] = ...,
    signedness: int | Literal["signed", "unsigned"] = ...,
    in_size_x: int = ...,
    in_size_y: int = ...,
    out_size_x: int = ...,
    out_size_y: int = ...,
    crop_left: int = ...,
    crop_top: int = ...,
    crop_right: int = ...,
    crop_bottom: int = ...,
    rot_centre_x: int = ...,
    rot_centre_y: int = ...,
    angle: float = ...,
    scale: float = ...,
    threads: int = ...,
) -> BatchOutcome:
    """Converts a whole numbered sequence into raw files, as projconv-batch does.

    A batch refused before anything is converted (parameters, memory, outputs that would
    replace inputs) raises ValueError with the converter's message; an override of the wrong
    type raises TypeError naming it. Once converting has begun, how it ended is returned."""

def read_settings(path: _Path | None = None) -> Settings:
    """Reads a settings file (None: the desktop program's) into a dict of the 21 parameters."""
