require 'minitest/autorun'
require 'tmpdir'
require 'event_recorder'

# Where models come from, as a script sees it: the sample house, the city, and exchange files
# through HostSim.import and Sketchup.open_file. Each becomes the active model with
# onOpenModel; a failed import raises, names the file and leaves the active model as it was.
# What the models hold, and the texts of failed imports, are pinned down by samples_test and
# import_test.
class TestSources < Minitest::Test
  BOX_OBJ = File.join(ENV.fetch('TWINLINK_SOURCE_DIR'), 'tests', 'fixtures', 'box.obj')

  def setup
    Sketchup.file_new
    @app = EventRecorder.new(:onOpenModel)
    Sketchup.add_observer(@app)
  end

  def teardown
    Sketchup.remove_observer(@app)
  end

  def test_every_source_opens_as_the_active_model
    house = HostSim.open_sample_house
    assert_equal [house, false], [Sketchup.active_model, house.modified?]
    city = HostSim.open_city(5, 20_000)
    assert_raises(ArgumentError) { HostSim.open_city(5, 10) }
    assert_raises(ArgumentError) { HostSim.open_city(-1, 20_000) }
    box = HostSim.import(BOX_OBJ)
    assert_equal [box, 6], [Sketchup.active_model, box.number_faces]
    assert_equal true, Sketchup.open_file(BOX_OBJ)
    refute_same box, Sketchup.active_model
    assert_equal [house, city, box, Sketchup.active_model].map { |m| [:onOpenModel, m] }, @app.events
  end

  # HostSim.import and Sketchup.open_file raise alike: IOError for a missing file, RuntimeError
  # for any other failure.
  def test_failed_imports_raise_name_the_file_and_keep_the_active_model
    before = Sketchup.active_model
    Dir.mktmpdir do |dir|
      missing = File.join(dir, 'missing.dae')
      error = assert_raises(IOError) { HostSim.import(missing) }
      assert_equal "Cannot import '#{missing}': no such file", error.message
      broken = File.join(dir, 'broken.gltf')
      File.write(broken, '{ "asset": { "version": "2.0" }, broken')
      error = assert_raises(RuntimeError) { Sketchup.open_file(broken) }
      assert_match(/\ACannot import '#{Regexp.escape(broken)}': \S/, error.message)
    end
    assert_same before, Sketchup.active_model
    assert_empty @app.events
  end
end
